#pragma once

namespace demovia::cli {

// The commands that draw (reports, charts) need Qt's font and paint machinery:
// a QGuiApplication on the offscreen platform unless another is asked for, so
// that no screen is needed. Created once, on first use.
void ensureGuiApplication();

} // namespace demovia::cli
