// mediagen-world: makes the world's archive entries (terrain, meshes, clips, camera
// tracks, billboards, shaders).
//   mediagen-world --out DIR       write every entry under DIR (stored names, '/' folders)
//   mediagen-world --check-tracks  report each camera track; exit 1 when one breaks a limit
#include <cstdio>
#include <cstring>
#include <string>

#include "mediagen/world/world.h"

int main(int argc, char** argv) {
    using namespace eh::mediagen::world;
    if (argc == 3 && std::strcmp(argv[1], "--out") == 0) {
        EntryMap entries;
        std::string error;
        if (!GenerateWorld(&entries, &error) || !WriteEntries(entries, argv[2], &error)) {
            std::fprintf(stderr, "mediagen-world: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--check-tracks") == 0) {
        return CheckTracks(stdout) ? 0 : 1;
    }
    std::fprintf(stderr, "usage: mediagen-world --out DIR | --check-tracks\n");
    return 2;
}
