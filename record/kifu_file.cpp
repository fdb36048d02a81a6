// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"

void Form1::KIFU_READ_Click() {}
void Form1::KIFU_WRITE_Click() {}
void Form1::Command1_Click() {}
void Form1::File1_Click(const QString&) {}
void Form1::Drive1_Change() {}
void Form1::Dir1_Change() {}
bool Form1::読込_棋譜ファイル(QByteArray&) { return false; }
double Form1::取得_棋譜のX座標(const QString&) const { return 0; }
