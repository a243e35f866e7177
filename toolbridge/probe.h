// The probe: two hidden runs of the probe copy of the tool whose output lands in the
// title and format files.
#pragma once

// Runs both probe commands to completion, then removes the probe copy of the tool.
void RunProbe(const char *probeToolPath, const char *address);
