// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"

void Form1::描画_手数(int, int) {}
void Form1::描画_桝_数値() {}
void Form1::描画_盤() {}
void Form1::描画_自持盤() {}
void Form1::描画_敵持盤() {}
void Form1::描画_背景(int) {}
void Form1::描画_将棋盤桝() {}
void Form1::画面_再描画() {}
