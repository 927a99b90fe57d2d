// The request processor's application class: App, a ConsoleApplication whose
// properties carry the state its methods share during one run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Universal/Forward.h"
#include "Common/objects.h"
#include "Common/String.h"
#include "Common/TextOutputStream.h"
#include "app/PacketHeaders.h"
#include "app/RunFailure.h"

/// The fields of an App object after the ConsoleApplication's, in property
/// order. The two headers stand at 8-byte boundaries, as in the compiled
/// class: on the 32-bit build an App is 160 bytes. Each handle is one pointer,
/// made in place with the object and let go with it.
struct AppFields {
    alignas(8) PktHdrType PktHdr;
    alignas(8) PkdMsgType PkdMsg;
    rt::String ReqFileName;
    rt::String RspFileName;
    rt::String SysOp;
    rt::String FidoAddr;
    rt::String FileSep;
    rt::TextOutputStream DbgFile;
    int32_t T_Match;  // microseconds spent in ItsaMatch this run
};
static_assert(sizeof(rt::String) == sizeof(RTString) && sizeof(rt::TextOutputStream) == sizeof(RuntimeObject*));

/// The App class, built on first use (the first class the program registers).
RuntimeClass* AppClass();
/// The App fields of an application object.
AppFields* AppState(RuntimeObject* app);

// The events and methods of App, as its class table lists them. Methods that
// answer a Boolean give True for failure, as the class table fixes; the run
// itself calls the RunResult functions beside them (see RunFailure.h).

/// The processing run: gives the exit code.
int32_t AppRun(RuntimeObject* app, RuntimeArray* args);
/// Reports an exception nothing handled, on standard output and in the debug file.
void AppUnhandledException(RuntimeObject* app, RuntimeObject* exc);
/// Reads the request information file at `path`; True when it is missing or empty.
bool AppInitSRIF(RuntimeObject* app, RTString path);
/// InitSRIF's work: a missing or empty file is Reported.
RunResult<> ReadSrif(RuntimeObject* app, const rt::String& path);
/// The SRIF's `Time` (the minutes the mailer allows the session) as the last
/// InitSRIF read it; -1 when it gave none.
int32_t SrifTimeMinutes();
/// Who calls, as the last InitSRIF read it: the address of every AKA line in
/// order (as written, domain included), whether the mailer checked the node's
/// session password (RemoteStatus PROTECTED) and whether the node is in the
/// nodelist (SystemStatus LISTED). Nothing is granted on a word left out.
struct SrifCaller {
    std::vector<std::string> akas;
    bool protectedSession = false;
    bool listed = false;
};
const SrifCaller& SrifCallerOf();
/// Parses a FidoNet address into zone, net, node and point; True when it is rejected.
bool AppParseAddr(RuntimeObject* app, RTString address, uint16_t* zone, uint16_t* net, uint16_t* node,
                  uint16_t* point);
/// Fills the packet and message headers and names the packet; True when an address is rejected.
/// `packetName` receives a new reference (the old one is released).
bool AppInitMsg(RuntimeObject* app, RTString ownAddress, RTString remoteAddress, RTString* packetName);
/// Appends one time-stamped line to the session log (LogIt in SessionLog.h);
/// a log that cannot be written is shown.
void AppLogIt(RuntimeObject* app, RTString event);
/// Checks the permission list; True only when it cannot be used.
bool AppTestOkFile(RuntimeObject* app);
/// TestOkFile's work: a permission list that cannot be used is Reported.
RunResult<> TestPermissionList(RuntimeObject* app);
/// Whether `name` fits the wildcard `mask`; adds the time taken to T_Match.
bool AppItsaMatch(RuntimeObject* app, RTString name, RTString mask);
/// Adds the time since `started` (RuntimeMicroseconds) to T_Match: for a run of matches timed as one.
void AppAddMatchTime(RuntimeObject* app, double started);

inline bool AppItsaMatch(RuntimeObject* app, const rt::String& name, const rt::String& mask) {
    return AppItsaMatch(app, name.get(), mask.get());
}
