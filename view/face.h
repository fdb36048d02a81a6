// The one text face of the board, its pictures and the record-file panel.
#pragma once

#include <QString>

// The proportional IPA Mincho face when it is installed, else the nearest
// installed Japanese face: a Mincho or serif one first, then any other.
// When no face can show Japanese, says so once on standard error, naming the
// package to install, and returns the face it has, so the game still runs.
const QString& 書体_文字();
