// framecmp: how far apart two renderings of the same frames are.
//
//   framecmp [options] A.png B.png
//   framecmp [options] --dir DIR_A DIR_B      every *.png of DIR_A with its namesake in DIR_B
//
// Prints one row a pair (a table, or with --kv one key=value line for scripts), writes
// amplified difference pictures on request, and checks thresholds. Exit codes: 0 every
// pair within the thresholds, 1 some pair beyond one, 2 a usage error, an unreadable file,
// sizes that differ or a file without its namesake.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "framecmp/frame_compare.h"

namespace {

namespace fs = std::filesystem;
using framecmp::FrameDifference;

struct Options {
    bool dirMode = false;
    bool kv = false;
    std::string a, b;
    std::string diffPath;  // pair mode: this file
    std::string diffDir;   // both modes: DIR/<name of the pair>
    int gain = 8;
    double minPsnr = -1.0;  // dB; negative: no check
    double maxFar = -1.0;   // share 0..1; negative: no check
};

void usage() {
    std::fprintf(
        stderr,
        "usage: framecmp [options] A.png B.png\n"
        "       framecmp [options] --dir DIR_A DIR_B\n"
        "options:\n"
        "  --kv             one key=value line a pair instead of the table\n"
        "  --diff FILE      (two files) write the difference picture to FILE\n"
        "  --diff-dir DIR   write each pair's difference picture as DIR/<name>\n"
        "  --gain N         amplify differences N times in the picture (1..255, default 8)\n"
        "  --min-psnr DB    exit 1 when a pair's PSNR is below DB\n"
        "  --max-far SHARE  exit 1 when more than SHARE (0..1) of a pair's pixels are off\n"
        "                   by more than %d levels in a channel\n",
        framecmp::kFarLevels);
}

bool parseNumber(const char* text, double lo, double hi, double& out) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(v >= lo && v <= hi)) return false;
    out = v;
    return true;
}

bool parseOptions(int argc, char** argv, Options& o) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasNext = i + 1 < argc;
        double number = 0.0;
        if (arg == "--dir") {
            o.dirMode = true;
        } else if (arg == "--kv") {
            o.kv = true;
        } else if (arg == "--diff" && hasNext) {
            o.diffPath = argv[++i];
        } else if (arg == "--diff-dir" && hasNext) {
            o.diffDir = argv[++i];
        } else if (arg == "--gain" && hasNext && parseNumber(argv[i + 1], 1, 255, number)) {
            o.gain = static_cast<int>(number);
            ++i;
        } else if (arg == "--min-psnr" && hasNext && parseNumber(argv[i + 1], 0, 1000, number)) {
            o.minPsnr = number;
            ++i;
        } else if (arg == "--max-far" && hasNext && parseNumber(argv[i + 1], 0, 1, number)) {
            o.maxFar = number;
            ++i;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "framecmp: bad option %s\n", argv[i]);
            return false;
        } else {
            positional.emplace_back(arg);
        }
    }
    if (positional.size() != 2 || (o.dirMode && !o.diffPath.empty())) return false;
    o.a = positional[0];
    o.b = positional[1];
    return true;
}

// "inf" for identical pictures, else two decimals.
std::string db(double value) {
    if (value >= framecmp::kIdenticalPsnr) return "inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

void printRow(const Options& o, const std::string& name, const FrameDifference& d, bool within) {
    if (o.kv) {
        std::printf(
            "pair=%s psnr=%s psnr_r=%s psnr_g=%s psnr_b=%s mad_r=%.3f mad_g=%.3f "
            "mad_b=%.3f far=%.5f max=%d status=%s\n",
            name.c_str(), db(d.psnr).c_str(), db(d.channelPsnr[0]).c_str(),
            db(d.channelPsnr[1]).c_str(), db(d.channelPsnr[2]).c_str(), d.meanAbs[0], d.meanAbs[1],
            d.meanAbs[2], d.farShare, d.maxAbs, within ? "ok" : "FAIL");
    } else {
        std::printf("%-28s %7s %7s %7s %7s %6.2f %6.2f %6.2f %7.3f%% %4d%s\n", name.c_str(),
                    db(d.psnr).c_str(), db(d.channelPsnr[0]).c_str(), db(d.channelPsnr[1]).c_str(),
                    db(d.channelPsnr[2]).c_str(), d.meanAbs[0], d.meanAbs[1], d.meanAbs[2],
                    d.farShare * 100.0, d.maxAbs, within ? "" : "  FAIL");
    }
}

void printHeader(const Options& o) {
    if (o.kv) return;
    std::printf("%-28s %7s %7s %7s %7s %6s %6s %6s %8s %4s\n", "pair", "PSNR", "R", "G", "B",
                "MAD R", "MAD G", "MAD B", ">16", "max");
}

// Compares one pair; returns 0, 1 or 2 as the program's exit codes say.
int comparePair(const Options& o, const std::string& name, const std::string& pathA,
                const std::string& pathB, const std::string& diffPath) {
    framecmp::RgbImage a, b;
    std::string error;
    if (!framecmp::ReadPng(pathA, a, error) || !framecmp::ReadPng(pathB, b, error)) {
        std::fprintf(stderr, "framecmp: %s: %s\n", name.c_str(), error.c_str());
        return 2;
    }
    if (a.width != b.width || a.height != b.height) {
        std::fprintf(stderr, "framecmp: %s: %dx%d against %dx%d\n", name.c_str(), a.width, a.height,
                     b.width, b.height);
        return 2;
    }
    const FrameDifference d = framecmp::Compare(a, b);
    const bool within =
        (o.minPsnr < 0.0 || d.psnr >= o.minPsnr) && (o.maxFar < 0.0 || d.farShare <= o.maxFar);
    printRow(o, name, d, within);
    if (!diffPath.empty() &&
        !framecmp::WritePng(diffPath, framecmp::DifferenceImage(a, b, o.gain))) {
        std::fprintf(stderr, "framecmp: cannot write %s\n", diffPath.c_str());
        return 2;
    }
    return within ? 0 : 1;
}

std::vector<std::string> pngNames(const std::string& dir, std::error_code& ec) {
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
        const std::string name = e.path().filename().string();
        if (e.is_regular_file() && name.size() > 4 && name.ends_with(".png")) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parseOptions(argc, argv, o)) {
        usage();
        return 2;
    }
    if (!o.diffDir.empty()) {
        std::error_code ec;
        fs::create_directories(o.diffDir, ec);
    }
    printHeader(o);
    if (!o.dirMode) {
        std::string diff = o.diffPath;
        if (diff.empty() && !o.diffDir.empty())
            diff = (fs::path(o.diffDir) / fs::path(o.a).filename()).string();
        return comparePair(o, fs::path(o.a).filename().string(), o.a, o.b, diff);
    }

    std::error_code ecA, ecB;
    const std::vector<std::string> namesA = pngNames(o.a, ecA);
    const std::vector<std::string> namesB = pngNames(o.b, ecB);
    if (ecA || ecB) {
        std::fprintf(stderr, "framecmp: cannot read %s\n", (ecA ? o.a : o.b).c_str());
        return 2;
    }
    if (namesA.empty()) {
        std::fprintf(stderr, "framecmp: no PNG files in %s\n", o.a.c_str());
        return 2;
    }
    int result = 0;
    for (const std::string& name : namesA) {
        if (!std::binary_search(namesB.begin(), namesB.end(), name)) {
            std::fprintf(stderr, "framecmp: %s is not in %s\n", name.c_str(), o.b.c_str());
            result = 2;
            continue;
        }
        const std::string diff =
            o.diffDir.empty() ? std::string() : (fs::path(o.diffDir) / name).string();
        result = std::max(result, comparePair(o, name, (fs::path(o.a) / name).string(),
                                              (fs::path(o.b) / name).string(), diff));
    }
    for (const std::string& name : namesB) {
        if (!std::binary_search(namesA.begin(), namesA.end(), name)) {
            std::fprintf(stderr, "framecmp: %s is not in %s\n", name.c_str(), o.a.c_str());
            result = 2;
        }
    }
    return result;
}
