#pragma once
// The optional report of disk counts and disks shown before the verdict.

#include <string_view>
#include <vector>

#include "assess/raid_assessment.h"
#include "console/terminal_io.h"

namespace quorven {

/// Yes when the first byte of the answer is y or Y.
bool isYesAnswer(std::string_view line);

bool askDetailReport(Output& out, Input& in);

void printDetailReport(Output& out, const std::vector<DiskRecord>& disks, const DiskCounts& counts);

}  // namespace quorven
