// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"

void Form1::START_Click() {}
void Form1::SENTE_Click() {}
void Form1::GOTE_Click() {}
void Form1::描画_棋譜読込み部分消去() {}
