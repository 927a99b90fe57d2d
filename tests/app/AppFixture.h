// An App object with its debug file in a scratch folder, for testing the
// processor's methods one at a time.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "Common/ConsoleApplication.h"
#include "Common/Ref.h"
#include "Common/runFileAccess.h"
#include "Common/runFolderItem.h"
#include "Common/String.h"
#include "app/App.h"
#include "support/ScratchFolder.h"

class AppFixture : public testing::Test, protected ScratchFolder {
protected:
    void SetUp() override {
        app_ = rt::Ref<>::adopt(RuntimeNewObject(AppClass()));
        rt::String debugPath(path("Debug001.Txt"));
        auto item = rt::Ref<>::adopt(RuntimeGetFolderItem(debugPath.get(), kNativePath));
        state()->DbgFile = rt::TextOutputStream::adopt(FolderItemCreateTextFile(item.get()));
        state()->FileSep = rt::String("/");
    }
    // The runtime holds the newest application object, ours, past the test;
    // it lets go here, and ours goes with its fields.
    void TearDown() override { RuntimeReleaseApplicationObject(); }

    RuntimeObject* app() const { return app_.get(); }
    AppFields* state() const { return AppState(app_.get()); }

    /// What the methods wrote to the debug file so far.
    std::string trace() const {
        TextOutputStreamFlush(state()->DbgFile.get());
        return readFile("Debug001.Txt");
    }

private:
    rt::Ref<> app_;
};
