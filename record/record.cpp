// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"

bool Form1::手順保存(int, int, int, int, int, int, double, double, double, double) { return false; }
bool Form1::調査_棋譜余裕() { return true; }
QString Form1::文字列変換(int) const { return {}; }
void Form1::描画_移動結果(int, int, int, int, int) {}
void Form1::消去_移動結果(int) {}
void Form1::描画_移動駒種類(double, double, const QString&, int) {}
