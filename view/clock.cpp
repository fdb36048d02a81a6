// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"

void Form1::Timer1_Timer() {}
double Form1::調査_経過秒(double, double) const { return 0; }
QString Form1::変換_数字から文字(long long) const { return {}; }
QString Form1::調査_時間秒追加結果(double) const { return {}; }
void Form1::描画_所有時間(int, double) {}
void Form1::消去_所有時間(int) {}
