// The picture set, painted in code at a given device pixel ratio: the empty
// square, the eighteen piece pictures, the five background tiles and the logo.
#pragma once

#include <QImage>

// Sizes in logical pixels.
inline constexpr int PICTURE_CELL_W = 33, PICTURE_CELL_H = 41;
inline constexpr int PICTURE_TILE_W = 34, PICTURE_TILE_H = 41;
inline constexpr int PICTURE_LOGO_W = 128, PICTURE_LOGO_H = 39;

// The two characters of each rank's title by kind, secretary (1) to chairman (9):
// written on the pieces and read out by the screen reader.
inline constexpr const char* kRankTitles[10] = {"",     "秘書", "平員", "係長", "課長",
                                                "部長", "常務", "専務", "社長", "会長"};

// The picture for a picture code (piece codes -9..9, the logo 11, the
// backgrounds 12..16); a null image for any other code. At a fractional ratio
// the picture is one device pixel larger than its logical size rounds to, so
// that placed at any rounded grid position it reaches the next one.
QImage 作成_絵(int 駒種類, qreal dpr);
// A picture's size in logical pixels (an empty size for an unknown code).
QSize 寸法_絵(int 駒種類);
// Device pixels that cover `logical` logical pixels wherever they start.
int 画素数_被覆(int logical, qreal dpr);
