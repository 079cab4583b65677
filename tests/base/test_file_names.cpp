// Names every platform can hold: what Windows refuses is refused
// everywhere, so that a project runs on either.
#include <gtest/gtest.h>

#include "base/platform.h"

using zemo::platform::portable_file_name;

TEST(PortableFileName, WindowsForbiddenCharactersEndsAndDeviceNamesAreRefused) {
    for (const char* name : {"zaklad", "IHrIHk", "vysledky", "a.b.c", ".", "..", "com10", "lpt0", "CONSOLE", "nul_x",
                             "con-1", "v\xFDsledky", ".skryty"})
        EXPECT_TRUE(portable_file_name(name)) << name;
    for (const char* name :
         {"",          "a:b",       "a*b", "a?b", "a<b", "a>b",     "a|b",     "a\"b", "a/b",    "a\\b",    "tab\there",
          "vysledky.", "vysledky ", "CON", "con", "Prn", "aux.txt", "NUL.dbf", "COM1", "lpt9.x", "CON .txt"})
        EXPECT_FALSE(portable_file_name(name)) << name;
}
