// The unit tests' main. It makes what the runtime keeps for the whole process
// before the first test, then checks after every test that the test gave back
// each string, object and array it made: a leak fails the test that leaked.
#include <gtest/gtest.h>

#include <string>

#include "Common/ClassLib/ThreadTestSupport.h"
#include "Common/StandardStreams.h"
#include "Universal/TextEncodingUtil.h"
#include "app/App.h"
#include "support/RuntimeLeakGuard.h"

namespace {

// Classes, the standard streams and every encoding made once live for the
// process; made here, they count as no test's leak.
class ProcessRecords : public testing::Environment {
public:
    void SetUp() override {
        RuntimeInitExternalClasses();
        for (RuntimeObject* (*get)() : {&RuntimeGetStdOut, &RuntimeGetStdErr, &RuntimeGetStdIn})
            RuntimeUnlockObject(get());
        for (int32_t number = 1; RuntimeObject* encoding = EncodingsGetter(nullptr, number); ++number)
            RuntimeUnlockObject(encoding);
        for (uint32_t code : {kEncodingUTF32, 0x201u, 0x820u}) RuntimeUnlockObject(TextEncodingForCode(code));
        WarmUpThreadClasses();
        AppClass();
    }
};

class LeakCheck : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo&) override { before_ = LiveRecords::Count(); }
    // Runs before the result printer's OnTestEnd, so the failure is the test's own.
    void OnTestEnd(const testing::TestInfo& test) override {
        if (HoldsRecordsForTheProcess(test)) return;
        LiveRecords::Count().ExpectSameAs(before_, std::string(test.test_suite_name()) + "." + test.name());
    }

private:
    LiveRecords before_{};
};

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new ProcessRecords);
    testing::UnitTest::GetInstance()->listeners().Append(new LeakCheck);
    return RUN_ALL_TESTS();
}
