// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"

void Form1::読込_環境設定ファイル() {}
void Form1::書込_環境設定ファイル() {}
void Form1::チェック設定(int) {}
void Form1::MIDORI_Click() {}
void Form1::TATAMI_Click() {}
void Form1::TAKE_Click() {}
void Form1::UCHU_Click() {}
void Form1::RENGA_Click() {}
void Form1::SIDOU_Click() {}
void Form1::KEIKA_Click() {}
void Form1::BGM_Click() {}
