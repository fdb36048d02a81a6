// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"

void Form1::LBEL_UP_Click() {}
void Form1::LEBEL_DOWN_Click() {}
void Form1::描画_ハンデレベル(int) {}
void Form1::描画_メッセージ(int) {}
