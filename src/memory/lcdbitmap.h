#pragma once
#include <QByteArray>
#include <QString>

#include "memory/lcdimage.h"

// BMP files of LCD pictures, through Qt's image I/O. White (255, 255, 255) is an unlit pixel,
// any other colour a lit one.
namespace lcd {

// Bit depths a picture file may have; anything else is refused before decoding.
bool BitmapDepthAccepted(int bitsPerPixel);

// Decodes a BMP held in memory into a picture of size s: the top-left W × H pixels of a picture
// of another size, and pixels a smaller picture does not have unlit. False (and `picture`
// untouched) for a damaged file or an unusual depth.
bool ReadBitmap(const QByteArray& bytes, TSize s, TPicture& picture);
bool LoadBitmap(const QString& path, TSize s, TPicture& picture);

// A 1-bit BMP, black on white; written whole or not at all.
QByteArray BitmapBytes(const TPicture& picture);
bool SaveBitmap(const QString& path, const TPicture& picture, QString& error);

}  // namespace lcd
