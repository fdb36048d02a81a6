// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"

void Form1::com_ban() {}
void Form1::待ち時間(double) {}
void Form1::描画_駒点滅(int, int, int, int) {}
void Form1::消去_思考中() {}
void Form1::描画_思考中() {}
