#include "platform/win1252.h"

#include <array>

namespace tirelon {

namespace {
// 0x80..0x9F differ from Latin-1; the rest of the upper half is Latin-1.
// 0 marks the five bytes that Windows-1252 leaves undefined; they map to the
// C1 control of the same value, as Windows itself does.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
} // namespace

QString fromWin1252(const char* bytes, qsizetype length) {
    QString text(length, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        char16_t c = b;
        if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80] != 0)
            c = kHigh[b - 0x80];
        out[i] = QChar(c);
    }
    return text;
}

QByteArray toWin1252(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        unsigned char b = '?';
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            b = static_cast<unsigned char>(c);
        } else if (c >= 0x80 && c <= 0x9F) {
            b = kHigh[c - 0x80] == 0 ? static_cast<unsigned char>(c) : '?';
        } else {
            for (std::size_t k = 0; k < kHigh.size(); ++k)
                if (kHigh[k] == c) {
                    b = static_cast<unsigned char>(0x80 + k);
                    break;
                }
        }
        out[i] = static_cast<char>(b);
    }
    return bytes;
}

} // namespace tirelon
