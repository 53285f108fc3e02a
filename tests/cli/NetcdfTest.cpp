// NetCDF output of `rix extract --netcdf` and `rix merge --netcdf`, read back
// through the NetCDF library and compared with the text files.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliSupport.h"
#include "NetcdfSupport.h"
#include "utilities/Sha256.h"

namespace {

using namespace rixtest;

const std::string kExamples = std::string(RIX_SOURCE_DIR) + "/examples";

// The example deployment's extraction setup, with merged output when asked.
void ExampleEsf(Deployment& d, int dataOutput, int outputFiles, int clock = 1) {
    WriteFile(d.Path("setup.esf"), "ESF Version=1.1\r\n0 " + std::to_string(dataOutput) + " 0 0 " +
                                       std::to_string(outputFiles) + " 0 " + std::to_string(clock) +
                                       " 4 21 0 250\r\n");
}

RunResult RunExample(Deployment& d, const std::vector<std::string>& extra) {
    std::vector<std::string> args = {"extract", "--isf", kExamples + "/deploy.isf", "--esf", d.Path("setup.esf"),
                                     "--msf", kExamples + "/deploy.msf", "--devdir", kExamples, "--outdir",
                                     d.Out()};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(kExamples + "/deploy.000");
    return d.Rix(args);
}

#ifdef RIX_HAVE_NETCDF

std::vector<std::string> HiddenFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().filename().string()[0] == '.') names.push_back(e.path().filename());
    return names;
}

TEST(NetcdfOutput, RawDataIsAUsageErrorAndNothingIsWritten) {
    Deployment d;
    ExampleEsf(d, 0, 0);
    RunResult r = RunExample(d, {"--netcdf"});
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("NetCDF needs engineering output and the extraction setup asks for raw data"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(std::filesystem::is_empty(d.Out()));

    r = d.Rix({"check", "--netcdf", "--isf", kExamples + "/deploy.isf", "--esf", d.Path("setup.esf"), "--devdir",
               kExamples, "--outdir", d.Out(), kExamples + "/deploy.000"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("problem: " + d.Path("setup.esf") + ":2: NetCDF needs engineering output"),
              std::string::npos)
        << r.out;
    ExampleEsf(d, 1, 0);
    r = d.Rix({"check", "--netcdf", "--isf", kExamples + "/deploy.isf", "--esf", d.Path("setup.esf"), "--devdir",
               kExamples, "--outdir", d.Out(), kExamples + "/deploy.000"});
    EXPECT_EQ(r.out.find("NetCDF"), std::string::npos) << r.out;
    EXPECT_TRUE(std::filesystem::is_empty(d.Out()));  // the check leaves nothing behind
}

// The run's files and attributes; the merged pairs against their text files
// (the merge writes its rows itself, so they are there in any build).
TEST(NetcdfOutput, ExampleDeploymentWithMergedPairs) {
    Deployment d;
    ExampleEsf(d, 1, 1);
    RunResult r = RunExample(d, {"--netcdf"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(HiddenFiles(d.Out()).empty());

    NcFile nc(d.OutFile("deploy.nc"));
    ASSERT_GE(nc.id, 0);
    EXPECT_EQ(NcText(nc.id, NC_GLOBAL, "Conventions"), "CF-1.10");
    EXPECT_EQ(NcText(nc.id, NC_GLOBAL, "source_archive"), "deploy.000");
    EXPECT_EQ(NcText(nc.id, NC_GLOBAL, "source_archive_sha256"),
              rix::Sha256Hex(ReadFile(kExamples + "/deploy.000")));
    EXPECT_EQ(NcText(nc.id, NC_GLOBAL, "source_archive_size_bytes"),
              std::to_string(std::filesystem::file_size(kExamples + "/deploy.000")));
    EXPECT_EQ(NcText(nc.id, NC_GLOBAL, "instrument_setup_file"), "deploy.isf");
    EXPECT_EQ(NcText(nc.id, NC_GLOBAL, "extraction_setup_file"), "setup.esf");
    EXPECT_EQ(NcText(nc.id, NC_GLOBAL, "program").rfind("rix ", 0), 0u);
    const std::string history = NcText(nc.id, NC_GLOBAL, "history");
    EXPECT_NE(history.find("Z rix extract "), std::string::npos) << history;
    EXPECT_NE(history.find(" --netcdf"), std::string::npos) << history;

    NcFile pairs(d.OutFile("deploy_pair.nc"));
    ASSERT_GE(pairs.id, 0);
    for (int n : {1, 2}) {
        SCOPED_TRACE(n);
        const int g = pairs.Group(n == 1 ? "pair01" : "pair02");
        ASSERT_GE(g, 0);
        const std::string text = d.OutFile(n == 1 ? "deploy_pair_01.000" : "deploy_pair_02.000");
        EXPECT_GT(CompareGroupWithText(g, text), 1000u);
        // The run knows the year: the day-of-year key is CF time as well.
        int t = -1;
        ASSERT_EQ(nc_inq_varid(g, "time", &t), NC_NOERR);
        EXPECT_EQ(NcText(g, t, "units"), "seconds since 1970-01-01T00:00:00Z");
        const std::vector<double> time = NcDoubles(g, t);
        const std::vector<std::string> lines = Lines(ReadFile(text));
        ASSERT_EQ(time.size() + 1, lines.size());
        for (size_t i = 0; i < time.size(); i += 997) {
            const double day = std::atof(Fields(lines[i + 1])[0].c_str());
            // 2005-01-01T00:00:00Z plus the day of the year, to the text's 6 digits.
            EXPECT_NEAR(time[i], 1104537600.0 + (day - 1) * 86400.0, 0.05) << i;
        }
    }
    const int g1 = pairs.Group("pair01");
    int density = -1, sigma = -1;
    ASSERT_EQ(nc_inq_varid(g1, "Density", &density), NC_NOERR);
    ASSERT_EQ(nc_inq_varid(g1, "Sigma_T", &sigma), NC_NOERR);
    EXPECT_EQ(NcText(g1, density, "standard_name"), "sea_water_density");
    EXPECT_EQ(NcText(g1, sigma, "standard_name"), "sea_water_sigma_t");
    EXPECT_EQ(NcText(g1, sigma, "units"), "kg m-3");
}

// Every channel's group against its text file. The text files get their rows
// from the meter decoders; until the decoders hand the same rows on as
// samples, the groups are empty and the test skips.
TEST(NetcdfOutput, ExampleDeploymentChannelsMatchTheTextFiles) {
    Deployment d;
    ExampleEsf(d, 1, 0);
    RunResult r = RunExample(d, {"--netcdf"});
    ASSERT_EQ(r.code, 0) << r.err;
    NcFile nc(d.OutFile("deploy.nc"));
    ASSERT_GE(nc.id, 0);
    std::vector<std::string> empty;
    size_t compared = 0;
    for (const auto& e : std::filesystem::directory_iterator(d.Out())) {
        const std::string name = e.path().filename();
        // deploy_15_SBE25CTD.000 -> ch15_SBE25CTD
        if (name.size() < 12 || name.compare(0, 7, "deploy_") != 0 || !std::isdigit(name[7])) continue;
        const std::string group = "ch" + name.substr(7, name.size() - 7 - 4);
        const int g = nc.Group(group);
        if (g < 0 || NcRows(g) == 0) {
            empty.push_back(group);
            continue;
        }
        SCOPED_TRACE(group);
        // What the group says of its channel.
        const int id = std::stoi(name.substr(7, 2));
        int value = 0;
        EXPECT_EQ(nc_get_att_int(g, NC_GLOBAL, "channel", &value), NC_NOERR);
        EXPECT_EQ(value, id);
        EXPECT_EQ(nc_get_att_int(g, NC_GLOBAL, "port", &value), NC_NOERR);
        EXPECT_EQ(value, id % 10);
        EXPECT_EQ(NcText(g, NC_GLOBAL, "meter_type_keyword"), group.substr(5));
        for (const char* a : {"logger", "meter_type", "lag", "HAD"})
            EXPECT_EQ(nc_get_att_int(g, NC_GLOBAL, a, &value), NC_NOERR) << a;
        if (id == 15) {
            EXPECT_EQ(NcText(g, NC_GLOBAL, "device_file"), "SBE25.CON");
            EXPECT_EQ(NcText(g, NC_GLOBAL, "device_file_sha256"), rix::Sha256Hex(ReadFile(kExamples + "/SBE25.CON")));
        }
        int line = -1;
        if (nc_inq_varid(g, "line", &line) == NC_NOERR) {
            EXPECT_GT(NcRows(g), 0u);
            continue;
        }
        compared += CompareGroupWithText(g, e.path().string());
        int time = -1;
        EXPECT_EQ(nc_inq_varid(g, "time", &time), NC_NOERR) << "the example knows its days";
    }
    std::string list;
    for (const std::string& g : empty) list += " " + g;
    EXPECT_TRUE(empty.empty()) << "no rows in" << list;
    EXPECT_GT(compared, 10000u);
    EXPECT_FALSE(NcText(nc.id, NC_GLOBAL, "time_coverage_start").empty());
}

// A library error names the file; the text files are written as without
// --netcdf, and the run says it failed.
TEST(NetcdfOutput, LibraryErrorKeepsTheTextFilesAndFails) {
    Deployment plain;
    ExampleEsf(plain, 1, 0);
    ASSERT_EQ(RunExample(plain, {}).code, 0);

    Deployment d;
    ExampleEsf(d, 1, 0);
    std::filesystem::create_directory(d.OutFile("deploy.nc"));  // nothing can replace it
    RunResult r = RunExample(d, {"--netcdf"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("NetCDF File Error: Unable to write " + d.OutFile("deploy.nc") + ": "), std::string::npos)
        << r.err;
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(plain.Out())) {
        const std::string name = e.path().filename();
        std::string expected = ReadFile(e.path().string());
        for (size_t at; (at = expected.find(plain.Out())) != std::string::npos;)  // _MRG names the folder
            expected.replace(at, plain.Out().size(), d.Out());
        EXPECT_TRUE(ReadFile(d.OutFile(name)) == expected) << name;
        ++files;
    }
    EXPECT_GT(files, 10u);
    EXPECT_TRUE(HiddenFiles(d.Out()).empty());
}

// A run that fails leaves the earlier file of that name as it was.
TEST(NetcdfOutput, FailedRunKeepsTheEarlierFile) {
    Deployment d;
    ExampleEsf(d, 1, 0, 3);  // clock logger 3: no such logger in the archive
    WriteFile(d.OutFile("deploy.nc"), "earlier");
    RunResult r = RunExample(d, {"--netcdf"});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("deploy.nc")), "earlier");
    EXPECT_TRUE(HiddenFiles(d.Out()).empty());
}

// An archive named like the NetCDF file it would get is refused, not replaced.
TEST(NetcdfOutput, AnArchiveNamedLikeItsNetcdfFileIsRefused) {
    Deployment d;
    ExampleEsf(d, 1, 0);
    const std::string archive = d.OutFile("deploy.nc");
    std::filesystem::copy_file(kExamples + "/deploy.000", archive);
    RunResult r = d.Rix({"extract", "--isf", kExamples + "/deploy.isf", "--esf", d.Path("setup.esf"), "--devdir",
                         kExamples, "--outdir", d.Out(), "--netcdf", archive});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Same File Error"), std::string::npos) << r.err;
    EXPECT_TRUE(ReadFile(archive) == ReadFile(kExamples + "/deploy.000"));
}

// `rix merge --netcdf` alone does not know the year: the day-of-year key is
// kept as written and no time is made up.
TEST(NetcdfOutput, MergeCommandWritesThePairs) {
    Deployment d;
    ExampleEsf(d, 1, 0);
    ASSERT_EQ(RunExample(d, {}).code, 0);
    RunResult r = d.Rix({"merge", "--netcdf", "--msf", kExamples + "/deploy.msf", "--devdir", kExamples,
                         "--outdir", d.Out(), d.OutFile("deploy_MRG.000")});
    ASSERT_EQ(r.code, 0) << r.err;
    NcFile nc(d.OutFile("deploy_pair.nc"));
    ASSERT_GE(nc.id, 0);
    const int g = nc.Group("pair01");
    ASSERT_GE(g, 0);
    int v = -1;
    EXPECT_NE(nc_inq_varid(g, "time", &v), NC_NOERR);
    EXPECT_NE(nc_inq_varid(g, "logger_time", &v), NC_NOERR);
    EXPECT_EQ(nc_inq_varid(g, "JulianDay", &v), NC_NOERR);
    EXPECT_GT(CompareGroupWithText(g, d.OutFile("deploy_pair_01.000")), 1000u);
    EXPECT_NE(NcText(nc.id, NC_GLOBAL, "history").find("rix merge --netcdf"), std::string::npos);
    // Smaller than the text it mirrors.
    EXPECT_LT(std::filesystem::file_size(d.OutFile("deploy_pair.nc")),
              std::filesystem::file_size(d.OutFile("deploy_pair_01.000")) +
                  std::filesystem::file_size(d.OutFile("deploy_pair_02.000")));
}

// The maker's SBE 19 cast in an archive: temperature, conductivity, pressure
// and salinity in NetCDF equal the text file's.
TEST(NetcdfOutput, RealSbe19CastEqualsTheTextValues) {
    const std::string real = RealDataDir();
    const std::string folder = real + "/seabirdscientific";
    if (real.empty() || !FileExists(folder + "/CAST0002.HEX")) GTEST_SKIP() << "real Sea-Bird data not present";
    std::string text;
    for (char c : ReadFile(folder + "/CAST0002.HEX")) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    Deployment d;
    d.Isf("11 SBE19 DEV=testing.CON\r\n");
    WriteFile(d.Path("setup.esf"), "ESF Version=1.1\r\n0 1 0 11 0 0 0 0 21 0 250\r\n");
    ArchiveBuilder b;
    b.Lines(text, 20);
    d.Archive(b);
    RunResult r = d.Run({"--devdir", folder, "--netcdf"});
    ASSERT_EQ(r.code, 0) << r.err;
    NcFile nc(d.OutFile("test.nc"));
    ASSERT_GE(nc.id, 0);
    const int g = nc.Group("ch11_SBE19");
    ASSERT_GE(g, 0);
    EXPECT_GT(CompareGroupWithText(g, d.OutFile("test_11_SBE19.000")), 800u);
    for (const char* standard : {"sea_water_temperature", "sea_water_electrical_conductivity", "sea_water_pressure",
                                 "sea_water_practical_salinity"}) {
        bool found = false;
        int nvars = 0;
        nc_inq_nvars(g, &nvars);
        for (int v = 0; v < nvars; ++v) found = found || NcText(g, v, "standard_name") == standard;
        EXPECT_TRUE(found) << standard;
    }
}

// The example opened with xarray: CF time decodes to the instants of the
// text files' Julian stamps, and the standard names are found.
TEST(NetcdfOutput, XarrayReadsTheExample) {
    if (std::system("/usr/bin/python3 -c 'import netCDF4, xarray' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 netCDF4 and xarray not installed";
    Deployment d;
    ExampleEsf(d, 1, 1);
    ASSERT_EQ(RunExample(d, {"--netcdf"}).code, 0);
    const std::string script = std::string(RIX_SOURCE_DIR) + "/tests/cli/netcdf_xarray.py";
    const std::string cmd = "/usr/bin/python3 '" + script + "' '" + d.Out() + "' deploy > '" + d.Path("py.txt") +
                            "' 2>&1";
    const int status = std::system(cmd.c_str());
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const std::string output = ReadFile(d.Path("py.txt"));
    EXPECT_EQ(code, 0) << output;
}

#else

TEST(NetcdfOutput, NotBuiltInSaysSo) {
    Deployment d;
    ExampleEsf(d, 1, 0);
    RunResult r = RunExample(d, {"--netcdf"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("NetCDF output is not built into this program"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::is_empty(d.Out()));
}

#endif

}  // namespace
