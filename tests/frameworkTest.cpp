// The framework's own rules: the error box's text and caption.
#include "framework/application.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorBox, AppendsAFullStopOnlyAfterCharactersAboveIt) {
    struct Case {
        const wchar_t* message;
        const wchar_t* shown;
    };
    for (Case c : {Case{L"Access is denied", L"Access is denied."}, Case{L"Done.", L"Done."}, Case{L"List index out of bounds (3)", L"List index out of bounds (3)"},
                   Case{L"", L""}, Case{L"Why!", L"Why!"}, Case{L"a-", L"a-"}, Case{L"a/", L"a/."}, Case{L"\u00e9", L"\u00e9."}}) {
        EXPECT_EQ(TApplication::ErrorText(c.message), c.shown) << c.message;
    }
}

TEST(ErrorBox, TitleIsTheFileNameUpToItsFirstDotWithTheRestInLowerCase) {
    EXPECT_EQ(TApplication::TitleFromPath(L"C:\\Program Files\\Quillet\\Quillet.exe"), L"Quillet");
    EXPECT_EQ(TApplication::TitleFromPath(L"D:\\MyList.Portable.exe"), L"Mylist");
    EXPECT_EQ(TApplication::TitleFromPath(L"QUILLET.EXE"), L"Quillet");
    EXPECT_EQ(TApplication::TitleFromPath(L"noext"), L"noext");
}

}  // namespace
