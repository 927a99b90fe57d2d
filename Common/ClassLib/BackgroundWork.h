// What the background step of compiled loops and DoEvents do for timers and
// cooperative threads, installed into the core's background step
// (Common/runtimemainloop) when the first thread or timer is made.
#pragma once

/// Recomputes whether the background step has work; called when timers or
/// threads come and go. Installs the class library's hooks on the first call.
void RuntimeUpdateBackgroundWork();
