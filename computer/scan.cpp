// The board scan (who stands next to every square) and the evaluation of one
// trial move of the computer. Scores are exact integer tenths: 2 is 0.2.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/form1.h"

namespace {
// Verdicts and weights, in tenths.
constexpr int kTakesChairman = 99990;
constexpr int kTakesSecretaryOrMates = 99980;
constexpr int kChairmanExposed = -99980;
constexpr int kDrop = -50;
constexpr int kSameKindCapture = 200;  // per rank of the captured piece
constexpr int kSafeCapture = 50;       // per rank of the captured piece
constexpr int kEscape = 50;            // per rank of the mover
constexpr int kNoAdvance = -100;
constexpr int kStrike = 10;  // per rank above the secretary
constexpr int kSecretaryFled = 100;
constexpr int kLastSecretaryFled = 5000;
constexpr int kNextToEnemySecretary = 100;
constexpr int kIntoDanger = -50;  // per rank of the mover
constexpr int kSecretaryBesideChairman = 200;
constexpr int kChairmanAdvances = 10;
constexpr int kChairmanCloses = 1;
// The weakest-attacker record of a square with no plus piece beside it.
constexpr int kNoAttacker = 999;
}  // namespace

void Form1::勢力調査() {
    // The computer's search runs the scan once for every trial move, so the
    // maps are named once here: the sanitizer build checks the window's type
    // at every access through `this`, which made this the fuzzers' hottest loop.
    const auto& b = board;
    auto& minus = near_minus;
    auto& plus = near_plus;
    auto& minus_kind = near_minus_kind;
    auto& plus_kind = near_plus_kind;
    auto& low_code = low_attacker_code;
    auto& low_x = low_attacker_x;
    auto& low_y = low_attacker_y;
    // Cleared whole: row and column 0 are never set, so they stay 0.
    std::memset(minus, 0, sizeof minus);
    std::memset(plus, 0, sizeof plus);
    std::memset(minus_kind, 0, sizeof minus_kind);
    std::memset(plus_kind, 0, sizeof plus_kind);
    for (int x = 1; x <= BOARD_N; ++x)
        for (int y = 1; y <= BOARD_N; ++y) {
            // low_x/_y keep their old values: they only count where the code is below 999.
            low_code[x][y] = kNoAttacker;
            if (b[x][y] == -CHAIRMAN) {
                king_minus_x = x;
                king_minus_y = y;
            } else if (b[x][y] == CHAIRMAN) {
                king_plus_x = x;
                king_plus_y = y;
            }
        }

    for (int x = 1; x <= BOARD_N; ++x)
        for (int y = 1; y <= BOARD_N; ++y) {
            const int p = b[x][y];
            if (p == EMPTY) continue;
            const int x0 = std::max(x - 1, 1), x1 = std::min(x + 1, BOARD_N);
            const int y0 = std::max(y - 1, 1), y1 = std::min(y + 1, BOARD_N);
            for (int tx = x0; tx <= x1; ++tx)
                for (int ty = y0; ty <= y1; ++ty) {
                    if (tx == x && ty == y) continue;
                    if (p >= 1) {
                        plus[tx][ty] += 1;
                        plus_kind[tx][ty][p] += 1;
                        // Strictly lower only: the first of equal attackers in scan order stays.
                        if (b[tx][ty] <= -1 && low_code[tx][ty] > p) {
                            low_code[tx][ty] = p;
                            low_x[tx][ty] = x;
                            low_y[tx][ty] = y;
                        }
                    } else {
                        minus[tx][ty] += 1;
                        minus_kind[tx][ty][-p] += 1;
                    }
                }
        }
}

int Form1::盤評価(int 取得駒, int 移動元X, int 移動元Y, int 移動先X, int 移動先Y) {
    const int T = board[移動先X][移動先Y];
    const int c = 取得駒;
    const int fx = 移動元X, fy = 移動元Y, tx = 移動先X, ty = 移動先Y;
    const int kmx = king_minus_x, kmy = king_minus_y;

    if (c == -SECRETARY) return kTakesSecretaryOrMates;
    if (c == -CHAIRMAN) return kTakesChairman;
    if (near_minus[king_plus_x][king_plus_y] >= 1) return kChairmanExposed;
    if (詰めかMAN()) return kTakesSecretaryOrMates;

    int score = 0;
    if (fx < 0) score += kDrop;
    if (T == std::abs(c)) score += kSameKindCapture * std::abs(c);

    bool dest_danger = false, origin_danger = false, can_strike = false, secretary_fled = false;
    for (int k = 1; k <= CHAIRMAN; ++k) {
        if (near_minus_kind[tx][ty][k] > 0) {
            if (T == CHAIRMAN) {
                if (k == SECRETARY) dest_danger = true;
            } else if (T == SECRETARY) {
                if (k != CHAIRMAN) dest_danger = true;
            } else if (T <= k) {
                dest_danger = true;
            } else {
                can_strike = true;
            }
        }
        if (fx >= 1 && near_minus_kind[fx][fy][k] > 0) {
            if (T == CHAIRMAN) {
                // a chairman earns no escape bonus
            } else if (T == SECRETARY) {
                secretary_fled = true;
            } else if (T <= k) {
                origin_danger = true;
            }
        }
    }

    if (!dest_danger) {
        score += T;  // a tenth of the mover's rank
        if (c != EMPTY) score += kSafeCapture * std::abs(c);
        if (origin_danger) score += kEscape * T;
        // For a drop the kind stands in for the origin row.
        if (fy >= ty) score += kNoAdvance;
        if (can_strike) score += kStrike * (T - 1);
        if (secretary_fled) {
            score += kSecretaryFled;
            // Losing the second secretary loses the game.
            if (hand_minus[SECRETARY] == 1) score += kLastSecretaryFled;
        }
        for (int u = tx - 1; u <= tx + 1; ++u)
            for (int v = ty - 1; v <= ty + 1; ++v)
                if (u >= 1 && u <= BOARD_N && v >= 1 && v <= BOARD_N && board[u][v] == -SECRETARY)
                    score += kNextToEnemySecretary;
    } else if (!origin_danger) {
        score += kIntoDanger * T;
    }

    // Level 2 plays without the positional terms.
    if (com_level != 2) {
        if (T == SECRETARY && !dest_danger) {
            if (std::abs(tx - kmx) < 2 && std::abs(ty - kmy) < 2) score += kSecretaryBesideChairman;
        } else if (T == CHAIRMAN) {
            if (!dest_danger && fy < ty) score += kChairmanAdvances;
            if (std::abs(fx - kmx) > std::abs(tx - kmx)) score += kChairmanCloses;
            if (std::abs(fy - kmy) > std::abs(ty - kmy)) score += kChairmanCloses;
        }
    }
    return score;
}
