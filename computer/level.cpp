// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"

void Form1::LEVEL1_Click() {}
void Form1::LEVEL2_Click() {}
void Form1::LEVEL3_Click() {}
void Form1::レベル_設定(int) {}
void Form1::描画_レベル(int) {}
