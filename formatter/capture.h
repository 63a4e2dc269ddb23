// Capture of structure dumps: the rows of a dump, line by line, until the
// dump is complete (then the kind's expander writes it) or malformed (then
// an error report is written).
#pragma once

#include "blocks.h"

// A trigger line of `id` for this thread: the capture restarts. An
// eye-catcher trigger (zos, aat) is itself the dump's first row.
void startStructCapture(const PassContext &pc, StructId id, bool eyeCatcherTrigger);

// A pass over a line of the thread while the capture is in progress, or on
// the re-pass after its last line.
void structStep(const PassContext &pc, StructId id);

// The four lines written when a trigger restarts a block still in progress.
void writeRestartWarning(OutWriter &out, const char *prefix, const char *name);
