// The messages of the game commands and the board input, texts and titles
// exactly as the user sees them.
#pragma once

#include <QString>

namespace play_messages {
inline const QString kReplayText = QStringLiteral("棋譜を '進 'で進めて下さい");
inline const QString kReplayTitle = QStringLiteral("棋譜");
inline const QString kGameOverText = QStringLiteral("新規に対局してください");
inline const QString kGameOverTitle = QStringLiteral("終局");
inline const QString kNoGameText = QStringLiteral("「対局」で始めて下さい");
inline const QString kNoGameTitle = QStringLiteral("開始");
inline const QString kSenteToMove = QStringLiteral("先手の番です");
inline const QString kGoteToMove = QStringLiteral("後手の番です");
inline const QString kResumeTitle = QStringLiteral("対局");
inline const QString kComResumeText = QStringLiteral("OKですか？");
inline const QString kComResumeTitle = QStringLiteral("再開(COM)");
inline const QString kManToMove = QStringLiteral("MANの番です");
inline const QString kYouWin = QStringLiteral("あなたの勝ちです");
inline const QString kSenteWins = QStringLiteral("先手の勝ちです");
inline const QString kGoteWins = QStringLiteral("後手の勝ちです");
inline const QString kEndTitle = QStringLiteral("終了");
inline const QString kFreshTitle = QStringLiteral(" ");
}  // namespace play_messages
