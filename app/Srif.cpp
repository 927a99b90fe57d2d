// InitSRIF: reads the request information file a mailer writes for a file
// request and keeps the four values the run needs.
#include "Common/TextInputStream.h"
#include "Common/runtimemainloop.h"
#include "Common/StringFunctions.h"
#include "Universal/StringSearch.h"
#include "Universal/StringTrim.h"
#include "Universal/StringUtils.h"
#include "app/App.h"
#include "app/FileFailure.h"
#include "app/Output.h"

namespace {

struct Keyword {
    const char* text;      // tested at the start of the line, trailing blank included
    int32_t valueStart;    // character where the value begins
    RTString AppFields::*property;
};

const Keyword kKeywords[] = {
    {"RequestList ", 12, &AppFields::ReqFileName},
    {"ResponseList ", 14, &AppFields::RspFileName},
    {"Sysop ", 7, &AppFields::SysOp},
    {"AKA ", 5, &AppFields::FidoAddr},
};

void takeValue(AppFields* f, const Keyword& keyword, const rt::String& line) {
    if (StringInStr(1, line.get(), rt::String(keyword.text).get()) != 1) return;
    rt::String rest = rt::mid(line, keyword.valueStart);
    rt::trim(rest).assignTo(f->*keyword.property);
}

} // namespace

bool AppInitSRIF(RuntimeObject* app, RTString path) {
    rt::String file = rt::String::retain(path);
    Debug(app, rt::String("Start SRIF Processing.  File=") + file);
    FileFailure failure;
    rt::TextInputStream stream = OpenTextToRead(file, failure);
    if (!stream) {
        StdOut(rt::String("   ") + file + rt::String(" Not Found"));
        Debug(app, "SRIF File not found");
        ReportFailure(app, failure);
        return true;
    }
    Debug(app, "Reading SRIF File");
    AppFields* f = AppState(app);
    while (!stream.eof()) {
        rt::String line = stream.readLine();
        for (const Keyword& keyword : kKeywords) takeValue(f, keyword, line);
        RuntimeBackgroundTask();
    }
    stream.close();
    Debug(app, rt::String("Request File  ") + rt::String::retain(f->ReqFileName));
    Debug(app, rt::String("Response File ") + rt::String::retain(f->RspFileName));
    Debug(app, rt::String("Remote SysOp  ") + rt::String::retain(f->SysOp));
    Debug(app, rt::String("Remote AKA    ") + rt::String::retain(f->FidoAddr));
    Debug(app, "End SRIF Processing");
    return false;
}
