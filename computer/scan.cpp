// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"

void Form1::勢力調査() {}
int Form1::盤評価(int, int, int, int, int) { return 0; }
