// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"

void Form1::Form_MouseDown(int, int, double, double) {}
void Form1::描画_移動可能桝色(int, int, int, int) {}
