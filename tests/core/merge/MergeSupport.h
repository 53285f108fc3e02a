// A merge run in a scratch folder: the setup written as a merge setup file,
// a working file for the archive cast.007, inputs and outputs side by side.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Context.h"
#include "TestSupport.h"
#include "merge/Files.h"
#include "report/Reporter.h"
#include "setup/Msf.h"

namespace rixtest {

struct MergeFixture : ::testing::Test {
    TempDir dir;
    rix::RecordingReporter rep;
    rix::Context ctx{rep};
    rix::MergeSetup setup;
    std::vector<std::pair<int, std::string>> channels;  // working-file entries

    std::string File(const std::string& name, const std::string& content) {
        WriteFile(dir.file(name), content);
        return dir.file(name);
    }
    // A time merge of two named files on their first columns.
    rix::MergePair& TimePair(int index, const std::string& base, const std::string& merge,
                             const std::string& order) {
        rix::MergePair& p = setup.pairs[index];
        p.mergeMode = 2;
        p.base.sourceKind = p.merge.sourceKind = 2;
        p.base.fileName = File(base + ".txt", "");
        p.merge.fileName = File(merge + ".txt", "");
        p.base.keyColumn = p.merge.keyColumn = 1;
        p.base.offsetUnits = p.merge.offsetUnits = 1;
        p.merge.channelId = 21;  // a merge channel: the window follows the merge rows
        p.displayOrder = order;
        return p;
    }
    int Run() {
        File("setup.msf", rix::MsfText(setup));
        std::string mrg = "007 4 cast \r\n";
        for (auto& [id, path] : channels)
            mrg += rix::Format("%d %d %s KEY 0 0\r\n", id, static_cast<int>(path.size()), path.c_str());
        File("cast_MRG.007", mrg);
        return rix::MergeFiles(ctx, dir.file("setup.msf"), dir.file("cast_MRG.007"), dir.path(), dir.path());
    }
    std::string Out(int pair) { return ReadFile(dir.file(rix::Format("cast_pair_%02d.007", pair))); }
    std::string Box(size_t i = 0) const {
        return i < rep.boxes.size() ? rep.boxes[i].title + ": " + rep.boxes[i].text : "(no box)";
    }
};

}  // namespace rixtest
