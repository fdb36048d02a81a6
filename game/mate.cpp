// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"

int Form1::詰めかMAN() { return FALSE_; }
int Form1::詰めかCOM() { return FALSE_; }
