#include "platform/win1252.h"

#include <gtest/gtest.h>

using tirelon::fromWin1252;
using tirelon::toWin1252;

TEST(Win1252, DecodesTheBytesWhereItDiffersFromLatin1) {
    const QByteArray bytes("\x80\x9c\xd1\xf1\xe9", 5);
    EXPECT_EQ(fromWin1252(bytes), QString::fromUtf8("€œÑñé"));
}

TEST(Win1252, RoundTripsEveryDefinedByte) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(toWin1252(fromWin1252(all)), all);
}

TEST(Win1252, ReplacesCharactersItCannotHold) {
    EXPECT_EQ(toWin1252(QString::fromUtf8("a\u4e2dz")), QByteArray("a?z"));
}
