#include <gtest/gtest.h>

#include "app/SafeText.h"

TEST(SafeText, ControlBytesAreEscapedForTextFilesAndReplacedInThePacket) {
    struct Row {
        std::string text;
        bool carried;          // a mailer can carry it as a file name
        const char* escaped;   // for standard output, the log and the debug file
        const char* replaced;  // for the packet
    };
    const Row rows[] = {
        {"plain.zip", true, "plain.zip", "plain.zip"},
        {"two words.txt", false, "two words.txt", "two words.txt"},
        {"it's \"quoted\"", false, "it's \"quoted\"", "it's \"quoted\""},
        {"line\nbreak", false, "line\\nbreak", "line?break"},
        {std::string("nul\0byte", 8), false, "nul\\0byte", "nul?byte"},
        {"\x01TOPT 7", false, "\\x01TOPT 7", "?TOPT 7"},
        {"del\x7F", false, "del\\x7F", "del?"},
        {"tab\there", false, "tab\\there", "tab?here"},
        {"caf\xC3\xA9.zip", true, "caf\xC3\xA9.zip", "caf\xC3\xA9.zip"},
        // 8-bit names of CP866 and Latin-1 systems: carried into the packet
        // byte for byte, escaped (never dropped) in the text files.
        {"\x88\xA2\xA0\xAD", true, "\\x88\\xA2\\xA0\\xAD", "\x88\xA2\xA0\xAD"},
        {"caf\xE9\n\xC3\xA9", false, "caf\\xE9\\n\xC3\xA9", "caf\xE9?\xC3\xA9"},
        {"cut\xC3", true, "cut\\xC3", "cut\xC3"},
        {"", true, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.escaped);
        rt::String text = rt::String::fromBytes(row.text, kEncodingUTF8);
        EXPECT_EQ(MailerCanCarry(text), row.carried);
        EXPECT_EQ(Escaped(text).str(), row.escaped);
        EXPECT_EQ(Replaced(text).str(), row.replaced);
    }
}

TEST(SafeText, PasswordTokensAreHiddenAndEverythingElseKept) {
    struct Row {
        const char* line;
        PasswordTokens which;
        const char* shown;
    };
    const Row rows[] = {
        {"a.zip !Sekrit", PasswordTokens::AfterName, "a.zip !***"},
        {"a.zip\t!one  !two", PasswordTokens::AfterName, "a.zip\t!***  !***"},
        // A requested name that starts with "!" is a name, not a password.
        {"!readme.txt !pw", PasswordTokens::AfterName, "!readme.txt !***"},
        {"!pw /files/*.zip", PasswordTokens::All, "!*** /files/*.zip"},
        {"@FILES !pw /lists/all.txt", PasswordTokens::All, "@FILES !*** /lists/all.txt"},
        {"/files/a!b.zip", PasswordTokens::All, "/files/a!b.zip"},
        {"a.zip !", PasswordTokens::AfterName, "a.zip !***"},
        {"", PasswordTokens::All, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(WithPasswordsHidden(rt::String(row.line), row.which).str(), row.shown);
    }
}

TEST(SafeText, AByteOrderMarkOpensNoLine) {
    const std::pair<std::string, std::string> rows[] = {
        {"\xEF\xBB\xBFSysop Name", "Sysop Name"},
        {"\xEF\xBB\xBF", ""},
        {"\xEF\xBB", "\xEF\xBB"},
        {"plain \xEF\xBB\xBF", "plain \xEF\xBB\xBF"},
    };
    for (const auto& [line, expected] : rows) {
        SCOPED_TRACE(line);
        EXPECT_EQ(WithoutByteOrderMark(rt::String::fromBytes(line, kEncodingUTF8)).str(), expected);
    }
}

TEST(SafeText, AnExcerptIsBoundedAndCutAtACharacter) {
    struct Row {
        const char* label;
        std::string text;
        std::string excerpt;
    };
    const std::string accented = std::string(kExcerptBytes - 1, 'a') + "\xC3\xA9" + "tail";
    const Row rows[] = {
        {"short", "nodelist.zip", "nodelist.zip"},
        {"at the bound", std::string(kExcerptBytes, 'x'), std::string(kExcerptBytes, 'x')},
        {"long", std::string(100000, 'x'), std::string(kExcerptBytes, 'x') + "..."},
        {"a character across the bound", accented, std::string(kExcerptBytes - 1, 'a') + "..."},
        {"control bytes, which escaping makes four", std::string(1000, '\x01'),
         std::string(kExcerptBytes / 4, '\x01') + "..."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(Excerpt(rt::String::fromBytes(row.text, kEncodingUTF8)).str(), row.excerpt);
    }
}
