// Helpers of the command-line tests: archives built packet by packet, and a
// deployment folder in which the rix program runs.
#pragma once
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "archive/Archive.h"

namespace rixtest {

struct Port {
    int port;
    std::string bytes;
};

// An archive assembled packet by packet.
struct ArchiveBuilder {
    std::vector<uint8_t> bytes;
    rix::PacketWriter writer;

    void Add(int sender, uint32_t timeMs, const std::vector<Port>& ports, int type = 0) {
        rix::PacketFields fields;
        fields.type = static_cast<uint8_t>(type);
        fields.sender = static_cast<uint8_t>(sender);
        fields.time = type == 1 ? timeMs / 10 : timeMs;
        Write(fields, ports);
    }
    void Add2(int sender, int32_t msOfDay, int16_t yearDay, const std::vector<Port>& ports) {
        rix::PacketFields fields;
        fields.type = 2;
        fields.sender = static_cast<uint8_t>(sender);
        fields.msOfDay = msOfDay;
        fields.yearDay = yearDay;
        Write(fields, ports);
    }
    // Counts and payload in port order, then the packet.
    void Write(rix::PacketFields& fields, const std::vector<Port>& ports) {
        std::string payload;
        for (int p = 0; p < rix::kPorts; ++p)
            for (const Port& port : ports)
                if (port.port == p) {
                    fields.counts[p] = static_cast<int16_t>(port.bytes.size());
                    payload += port.bytes;
                }
        writer.Append(bytes, fields, reinterpret_cast<const uint8_t*>(payload.data()));
    }
    void Junk(const std::string& s) { bytes.insert(bytes.end(), s.begin(), s.end()); }
    // The lines of a text on logger 1's first port, `perPacket` lines a
    // packet, one packet a second from 1000 ms.
    void Lines(const std::string& text, int perPacket) {
        size_t at = 0;
        for (uint32_t k = 1; at < text.size(); ++k) {
            size_t end = at;
            for (int line = 0; line < perPacket && end != std::string::npos; ++line) {
                end = text.find('\n', end);
                if (end != std::string::npos) ++end;
            }
            if (end == std::string::npos) end = text.size();
            Add(1, 1000 * k, {{0, text.substr(at, end - at)}});
            at = end;
        }
    }
};

// The lines of a file whose lines end in CR LF, without their ends.
inline std::vector<std::string> CrLfLines(const std::string& file) {
    std::vector<std::string> lines;
    for (size_t pos = 0; pos < file.size();) {
        size_t end = file.find("\r\n", pos);
        if (end == std::string::npos) end = file.size();
        lines.push_back(file.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// A text file as editors save it: behind a UTF-8 byte-order mark, or with
// CR alone ending its lines (CR LF and LF both become CR).
inline std::string WithByteOrderMark(const std::string& text) { return "\xEF\xBB\xBF" + text; }
inline std::string WithCrOnly(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i] == '\n' ? '\r' : text[i];
    }
    return out;
}

struct RunResult {
    int code = -1;
    std::string out;
    std::string err;
};

// A deployment folder: archive, setup files, output folder.
class Deployment {
public:
    Deployment() : out_(dir_.file("out")) { std::system(("mkdir -p '" + out_ + "'").c_str()); }

    std::string Path(const std::string& name) const { return dir_.file(name); }
    const std::string& Out() const { return out_; }
    std::string OutFile(const std::string& name) const { return out_ + "/" + name; }

    void Isf(const std::string& text) { rixtest::WriteFile(Path("setup.isf"), text); }
    // inputFormat dataOutput depth ctd outputFiles clock format dtChannel offset increment
    void Esf(int input, int output, int clock, int format, int dtChannel = 21, int offset = 0,
             int increment = 250) {
        char line[200];
        std::snprintf(line, sizeof line, "ESF Version=1.1\r\n%d %d 0 0 0 0 %d %d %d %d %d\r\n",
                      input, output, clock, format, dtChannel, offset, increment);
        rixtest::WriteFile(Path("setup.esf"), line);
    }
    void Archive(const ArchiveBuilder& b, const std::string& name = "test.000") {
        rixtest::WriteBytes(Path(name), b.bytes);
    }

    RunResult Run(const std::vector<std::string>& extra, const std::string& archive = "test.000") {
        std::vector<std::string> args = {"extract", "--isf", Path("setup.isf"), "--esf",
                                         Path("setup.esf"), "--outdir", out_};
        args.insert(args.end(), extra.begin(), extra.end());
        if (!archive.empty()) args.push_back(Path(archive));
        return Rix(args);
    }

    RunResult Rix(const std::vector<std::string>& args) {
        std::string cmd = "cd '" + dir_.path() + "' && '" RIX_BINARY "'";
        for (const std::string& a : args) cmd += " '" + a + "'";
        cmd += " >'" + Path("stdout.txt") + "' 2>'" + Path("stderr.txt") + "'";
        RunResult r;
        int status = std::system(cmd.c_str());
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = ReadFile(Path("stdout.txt"));
        r.err = ReadFile(Path("stderr.txt"));
        return r;
    }

private:
    TempDir dir_;
    std::string out_;
};

}  // namespace rixtest
