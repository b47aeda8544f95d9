#pragma once
// Test seams of the upgrade and the re-index. Named points inside the steps that
// rewrite tables: a test installs a hook that answers true at a point to stop the step
// there as if the process had died (nothing is cleaned up), then checks that the next
// open finishes the work. Production installs nothing. Internal to database/ and its
// tests.

#include <functional>

namespace dbupgrade {

using StopHook = std::function<bool(const char* point)>;

// The re-index asks too, before each step that writes ("reindex:setaside",
// "reindex:copy", "reindex:template", "reindex:rebuild", "reindex:swap"); true ends it
// there as failed.
//
// Installs the hook (an empty function removes it).
void SetStopHook(StopHook hook);
// True when the installed hook stops the step at `point`.
bool StopAt(const char* point);

// The re-index's hard links: a hook that answers an errno makes each link fail with
// it, as on a file system without hard links; 0 (or no hook) links normally.
using LinkHook = std::function<int()>;
void SetLinkHook(LinkHook hook);

}  // namespace dbupgrade
