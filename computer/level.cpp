// The computer's level: menu items, check marks and the display in the top-left corner.
#include "app/form1.h"

namespace {
const QString kLevelLabel = QStringLiteral("LEVEL");
constexpr int kLabelPoints = 10;
constexpr int kDigitPoints = 12;
}  // namespace

void Form1::LEVEL1_Click() {
    for (int x = -2; x <= 0; ++x) 描画_絵(bg_kind, x, 0);
    レベル_設定(1);
}

void Form1::LEVEL2_Click() {
    for (int x = -2; x <= 0; ++x) 描画_絵(bg_kind, x, 0);
    レベル_設定(2);
}

void Form1::LEVEL3_Click() {
    for (int x = -2; x <= 0; ++x) 描画_絵(bg_kind, x, 0);
    レベル_設定(3);
}

void Form1::レベル_設定(int IN_LEVEL) {
    mnu.LEVEL1->setChecked(false);
    mnu.LEVEL2->setChecked(false);
    mnu.LEVEL3->setChecked(false);
    QAction* const items[] = {nullptr, mnu.LEVEL1, mnu.LEVEL2, mnu.LEVEL3};
    if (IN_LEVEL >= 1 && IN_LEVEL <= 3) {
        items[IN_LEVEL]->setChecked(true);
        com_level = IN_LEVEL;
    }
    if (play_mode == MODE_COM) 描画_レベル(com_level);
}

void Form1::描画_レベル(int IN_LEVEL) {
    描画_数値(-1.4, 0.2, kLevelLabel, 色_影(), 0, kLabelPoints);
    描画_数値(-1.5, 0.1, kLevelLabel, 色_文字(), 0, kLabelPoints);
    描画_数値(0.1, 0.1, IN_LEVEL, 色_影(), 0, kDigitPoints);
    描画_数値(0.0, 0.0, IN_LEVEL, 色_文字(), 0, kDigitPoints);
}
