#pragma once
// The optional report of disk counts and disks shown before the verdict.

#include <string>
#include <string_view>
#include <vector>

#include "assess/chipset.h"
#include "assess/raid_assessment.h"
#include "probes/disk_layout.h"

namespace quorven {

/// Yes when the first byte of the answer is y or Y.
bool isYesAnswer(std::string_view line);

/// The report's lines, each ended by a line feed, the last one empty. The
/// verdict decides the support lines, and what the layout and the board's
/// controllers show comes after the disk lines.
std::string detailReportText(const std::vector<DiskRecord>& disks, const DiskCounts& counts,
                             const RaidVerdict& verdict, const BoardFacts& board = {},
                             const DiskLayout& layout = {});

}  // namespace quorven
