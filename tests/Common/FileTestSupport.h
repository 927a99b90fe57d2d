// A scratch folder per test, made the application folder.
#pragma once
#include <gtest/gtest.h>

#include "Common/runFolderItem.h"
#include "support/ScratchFolder.h"

class FileTest : public testing::Test, protected ScratchFolder {
protected:
    static constexpr uint32_t kLatin1 = 0x201;

    FileTest() { RuntimeSetExecutablePath(path("qarvex")); }
};
