// mediagen-images: writes every picture of the program, or a contact sheet of them.
//
//   mediagen-images --out DIR             every picture under its archive entry path
//                                         (DIR/Texture/..., DIR/Digits/...) and the
//                                         executable's pictures under DIR/resources/
//   mediagen-images --contact-sheet FILE  all pictures side by side in one PNG
//
// Both options may be given together. Exit status 0 on success, 1 on a write failure,
// 2 on a usage error.
#include <cstdio>
#include <cstring>
#include <string>

#include "mediagen/images/catalog.h"
#include "mediagen/images/image_codecs.h"

int main(int argc, char** argv) {
    std::string outDir, sheetPath;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            outDir = argv[++i];
        } else if (std::strcmp(argv[i], "--contact-sheet") == 0 && i + 1 < argc) {
            sheetPath = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--out DIR] [--contact-sheet FILE.png]\n", argv[0]);
            return 2;
        }
    }
    if (outDir.empty() && sheetPath.empty()) {
        std::fprintf(stderr, "usage: %s [--out DIR] [--contact-sheet FILE.png]\n", argv[0]);
        return 2;
    }
    std::vector<eh::mediagen::Picture> pictures = eh::mediagen::GenerateAllPictures();
    if (!outDir.empty()) {
        std::string error;
        if (!eh::mediagen::WritePictures(pictures, outDir, &error)) {
            std::fprintf(stderr, "mediagen-images: %s\n", error.c_str());
            return 1;
        }
    }
    if (!sheetPath.empty() &&
        !eh::mediagen::WritePng(sheetPath, eh::mediagen::MakeContactSheet(pictures))) {
        std::fprintf(stderr, "mediagen-images: cannot write %s\n", sheetPath.c_str());
        return 1;
    }
    return 0;
}
