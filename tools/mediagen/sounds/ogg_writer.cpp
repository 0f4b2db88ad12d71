#include "tools/mediagen/sounds/ogg_writer.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>

namespace eh::mediagen {
namespace {

// Any fixed value keeps the output reproducible; a player never looks at it.
constexpr int kStreamSerial = 0x45484D47;  // "EHMG"
// Frames handed to the encoder per analysis call.
constexpr int kBlockFrames = 1024;

void appendPage(const ogg_page& page, std::vector<std::uint8_t>& out) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

}  // namespace

bool EncodeOggVorbis(const std::vector<float>& pcm, int channels, int rate, float quality,
                     std::vector<std::uint8_t>& out) {
    out.clear();
    if (channels < 1 || channels > 2 || rate < 8000 || pcm.empty() ||
        pcm.size() % static_cast<std::size_t>(channels) != 0)
        return false;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) {
        vorbis_info_clear(&vi);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "ENCODER", "emberhold mediagen-sounds");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, kStreamSerial);

    ogg_packet header, comment, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comment, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comment);
    ogg_stream_packetin(&os, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0) appendPage(page, out);

    const std::size_t frames = pcm.size() / static_cast<std::size_t>(channels);
    std::size_t pos = 0;
    bool eos = false;
    while (!eos) {
        if (pos < frames) {
            int n = static_cast<int>(std::min<std::size_t>(kBlockFrames, frames - pos));
            float** buf = vorbis_analysis_buffer(&vd, n);
            for (int i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    buf[c][i] = std::clamp(pcm[(pos + static_cast<std::size_t>(i)) *
                                                   static_cast<std::size_t>(channels) +
                                               static_cast<std::size_t>(c)],
                                           -1.0f, 1.0f);
            vorbis_analysis_wrote(&vd, n);
            pos += static_cast<std::size_t>(n);
        } else {
            vorbis_analysis_wrote(&vd, 0);  // end of stream
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet) != 0) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    appendPage(page, out);
                    if (ogg_page_eos(&page)) eos = true;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return !out.empty();
}

}  // namespace eh::mediagen
