// The messages of the record, its files and the stepping through it, texts
// and titles exactly as the user sees them.
#pragma once

#include <QString>

namespace record_messages {
// The record.
inline const QString kMsgRecordFull = QStringLiteral("棋譜が一杯です（%1手まで）。これ以上は指せません");
// Record files.
inline const QString kTitleWrite = QStringLiteral("棋譜書込");
inline const QString kTitleBlank2 = QStringLiteral("  ");
inline const QString kTitleSave = QStringLiteral("棋譜保存");
inline const QString kTitleKifu = QStringLiteral("棋譜");
inline const QString kTitleError = QStringLiteral("ｴﾗｰ");
inline const QString kMsgReversed = QStringLiteral("反転後は書き込みできません");
inline const QString kMsgHandicap = QStringLiteral("ﾊﾝﾃﾞｷｬｯﾌﾟ設定後は書き込みできません");
inline const QString kMsgNoName = QStringLiteral("ﾌｧｲﾙ名が入力されていません");
inline const QString kMsgNothingToSave = QStringLiteral("保存するデータがありません");
inline const QString kMsgWritten = QStringLiteral("棋譜を書き込みました");
inline const QString kMsgNotReady = QStringLiteral("ﾃﾞﾊﾞｲｽが準備できていません");
inline const QString kMsgNoMoves = QStringLiteral("棋譜ﾌｧｲﾙにﾃﾞｰﾀがありません");
inline const QString kMsgLoaded = QStringLiteral(" 読み込みました");
inline const QString kMsgStepOn = QStringLiteral("棋譜を '進 'で進めて下さい");
// Our own, for what the file system refuses.
inline const QString kMsgWriteFailed = QStringLiteral("棋譜を書き込めませんでした");
inline const QString kMsgReadFailed = QStringLiteral("棋譜ファイルを読み込めませんでした");
inline const QString kMsgTooLong = QStringLiteral("%1手を超える部分は読み込みませんでした");
inline const QString kMsgBadFolder = QStringLiteral("ﾌｫﾙﾀﾞを開けませんでした");
inline const QString kMsgNotARecord =
    QStringLiteral("棋譜ファイルではありません\r%1行目が指し手の行として読めません");
inline const QString kMsgBadName = QStringLiteral("ﾌｧｲﾙ名に使えない文字があります");
// Stepping.
inline const QString kTitleBack = QStringLiteral("戻る");
inline const QString kTitleForward = QStringLiteral("進む");
inline const QString kTitleStart = QStringLiteral("開始");
inline const QString kMsgCannot = QStringLiteral("できません");
inline const QString kMsgStartFirst = QStringLiteral("「対局」で始めて下さい");
inline const QString kMsgEnd = QStringLiteral("終わり");
inline const QString kMsgBadEntry = QStringLiteral("棋譜のデータが正しくありません");
}  // namespace record_messages
