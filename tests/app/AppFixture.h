// An App object with its debug file in a scratch folder, for testing the
// processor's methods one at a time.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Common/ConsoleApplication.h"
#include "Common/Ref.h"
#include "Common/runFileAccess.h"
#include "Common/runFolderItem.h"
#include "Universal/String.h"
#include "app/App.h"

class AppFixture : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qarvex-app-XXXXXX";
        folder_ = mkdtemp(pattern);
        app_ = rt::Ref<>::adopt(RuntimeNewObject(AppClass()));
        rt::String path((folder_ / "Debug001.Txt").string());
        auto item = rt::Ref<>::adopt(RuntimeGetFolderItem(path.get(), kNativePath));
        state()->DbgFile = FolderItemCreateTextFile(item.get());
        state()->FileSep = rt::String("/").release();
    }
    void TearDown() override {
        // The runtime holds the newest application object, ours, past the
        // test: a plain one takes its place, and ours goes with its fields.
        RuntimeRegisterConsoleAppObject(nullptr, false);
        std::filesystem::remove_all(folder_);
    }

    RuntimeObject* app() const { return app_.get(); }
    AppFields* state() const { return AppState(app_.get()); }
    const std::filesystem::path& folder() const { return folder_; }

    /// What the methods wrote to the debug file so far.
    std::string trace() const {
        TextOutputStreamFlush(state()->DbgFile);
        std::ifstream in(folder_ / "Debug001.Txt", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::filesystem::path folder_;
    rt::Ref<> app_;
};
