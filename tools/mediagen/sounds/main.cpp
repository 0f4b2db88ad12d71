// mediagen-sounds OUTDIR: synthesises the program's nine sounds and writes them as Ogg
// Vorbis files "<resource id>_<name>.ogg" into OUTDIR. Deterministic: the same build
// writes the same bytes. Exit code 0 on success, 1 on any failure.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/mediagen/sounds/ogg_writer.h"
#include "tools/mediagen/sounds/sounds.h"
#include "tools/mediagen/sounds/synth.h"

namespace {

struct SoundJob {
    const char* file;
    std::vector<float> (*render)();
    int channels;
    float quality;  // libvorbisenc VBR quality
};

// Music at quality 0.3 (about 100 kbit/s stereo) keeps encoding fast; effects at 0.5.
const SoundJob kJobs[] = {
    {"468_main.ogg", eh::mediagen::RenderMainMusic, 2, 0.3f},
    {"474_opening.ogg", eh::mediagen::RenderOpeningMusic, 2, 0.3f},
    {"475_vision.ogg", eh::mediagen::RenderVisionSound, 1, 0.4f},
    {"476_crow_takeoff.ogg", eh::mediagen::RenderCrowTakeOff, 1, 0.5f},
    {"477_crow_flight.ogg", eh::mediagen::RenderCrowFlight, 1, 0.5f},
    {"478_crow_leave.ogg", eh::mediagen::RenderCrowLeave, 1, 0.5f},
    {"479_horse_tail.ogg", eh::mediagen::RenderHorseTail, 1, 0.5f},
    {"480_horse_leg.ogg", eh::mediagen::RenderHorseLeg, 1, 0.5f},
    {"481_horse_head.ogg", eh::mediagen::RenderHorseHead, 1, 0.5f},
};

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mediagen-sounds OUTDIR\n");
        return 1;
    }
    std::string dir = argv[1];
    for (const SoundJob& job : kJobs) {
        std::vector<float> pcm = job.render();
        std::vector<std::uint8_t> ogg;
        if (!eh::mediagen::EncodeOggVorbis(pcm, job.channels, eh::mediagen::kRate, job.quality,
                                           ogg)) {
            std::fprintf(stderr, "mediagen-sounds: encoding %s failed\n", job.file);
            return 1;
        }
        std::string path = dir + "/" + job.file;
        if (!writeFile(path, ogg)) {
            std::fprintf(stderr, "mediagen-sounds: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s: %.1f s, %zu bytes\n", job.file,
                    static_cast<double>(pcm.size()) / job.channels / eh::mediagen::kRate,
                    ogg.size());
    }
    return 0;
}
