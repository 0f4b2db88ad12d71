#include "media/rar20_decoder.h"

#include <cstring>

namespace eh::media::rar20 {

// ---------------------------------------------------------------------------------------
// Input

void Decoder::ResetState() {
    currentChannel_ = 0;
    channelDelta_ = 0;
    channelStates_.fill(AudioChannelState{});
    history_.fill(0);
    historyIndex_ = 0;
    lastLength_ = lastDistance_ = 0;
    std::memset(window_, 0, kWindowSize);
    previousLengths_.fill(0);
    windowPos_ = flushedPos_ = 0;
    audio_ = false;
    channels_ = 1;
    // Tables start empty (every code decodes to symbol 0) until the first table set.
    const std::uint8_t none[kMaxTableSymbols] = {};
    BuildDecodeTable(none, kLiteralCodes, ld_);
    BuildDecodeTable(none, kDistanceCodes, dd_);
    BuildDecodeTable(none, kRepeatCodes, rd_);
    for (DecodeTable& t : md_) BuildDecodeTable(none, kAudioCodes, t);
}

std::uint32_t Decoder::ReadChunk(std::uint8_t* dst, std::uint32_t count) {
    if (count > remainingPacked_) count = remainingPacked_;
    const std::uint32_t n = file_->Read(dst, count);
    remainingPacked_ -= n;
    bytesLoaded_ += n;
    return n;
}

void Decoder::FirstFill() {
    readTop_ = ReadChunk(in_.data(), kInputSize);
    inAddr_ = 0;
    bufferBase_ = 0;
}

// Returns false when the decoder has consumed bits past the end of the packed data: the
// stream is damaged, and going on would loop over stale buffer contents forever.
bool Decoder::Refill() {
    std::memmove(in_.data(), in_.data() + kInputSize - kInputKeep, kInputKeep);
    // Every caller refills only past kMainRefillAt, so inAddr_ >= kInputSize - kInputKeep.
    inAddr_ -= kInputSize - kInputKeep;
    bufferBase_ += kInputSize - kInputKeep;
    const std::uint32_t n = ReadChunk(in_.data() + kInputKeep, kInputSize - kInputKeep);
    readTop_ = n > 0 ? static_cast<std::int64_t>(n) + kInputKeep : inAddr_;
    if (bufferBase_ + inAddr_ > bytesLoaded_) {
        overrun_ = true;
        remainingOutput_ = -1;
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Tables

bool Decoder::ReadTables() {
    if (inAddr_ > kTableRefillAt && !Refill()) return false;
    ++tableSets_;
    const std::uint32_t p = Peek();
    audio_ = (p & 0x8000) != 0;
    if ((p & 0x4000) == 0) previousLengths_.fill(0);
    Consume(2);
    std::uint32_t size = kNormalTableSize;
    if (audio_) {
        channels_ = ((p >> 12) & 3) + 1;
        if (currentChannel_ >= channels_) currentChannel_ = 0;
        Consume(2);
        size = channels_ * kAudioCodes;
    }

    std::uint8_t bitLengths[kBitLengthCodes];
    for (std::uint8_t& l : bitLengths) {
        l = static_cast<std::uint8_t>(Peek() >> 12);
        Consume(4);
    }
    BuildDecodeTable(bitLengths, kBitLengthCodes, bd_);

    // Lengths past `size` stay 0, so a later table set never deltas against leftovers.
    std::array<std::uint8_t, kMaxTableSize> lengths{};
    for (std::uint32_t i = 0; i < size;) {
        if (inAddr_ > kLengthRefillAt && !Refill()) return false;
        const std::uint32_t q = Decode(bd_);
        if (q < 16) {
            lengths[i] = static_cast<std::uint8_t>((q + previousLengths_[i]) & 15);
            ++i;
        } else if (q == 16) {
            std::uint32_t n = (Peek() >> 14) + 3;
            Consume(2);
            // A repeat at position 0 has nothing to repeat; it yields zeros.
            for (; n > 0 && i < size; --n, ++i) lengths[i] = i > 0 ? lengths[i - 1] : 0;
        } else {
            std::uint32_t n;
            if (q == 17) {
                n = (Peek() >> 13) + 3;
                Consume(3);
            } else {
                n = (Peek() >> 9) + 11;
                Consume(7);
            }
            for (; n > 0 && i < size; --n, ++i) lengths[i] = 0;
        }
    }

    if (audio_) {
        for (std::uint32_t k = 0; k < channels_; ++k)
            BuildDecodeTable(lengths.data() + k * kAudioCodes, kAudioCodes, md_[k]);
    } else {
        BuildDecodeTable(lengths.data(), kLiteralCodes, ld_);
        BuildDecodeTable(lengths.data() + kLiteralCodes, kDistanceCodes, dd_);
        BuildDecodeTable(lengths.data() + kLiteralCodes + kDistanceCodes, kRepeatCodes, rd_);
    }
    previousLengths_ = lengths;
    return true;
}

// ---------------------------------------------------------------------------------------
// Output

void Decoder::CopyMatch(std::uint32_t length, std::uint32_t distance) {
    history_[historyIndex_ & 3] = distance;
    ++historyIndex_;
    lastDistance_ = distance;
    lastLength_ = length;
    remainingOutput_ -= length;

    std::uint32_t dst = windowPos_ & kWindowMask;
    std::uint32_t src = (dst - distance) & kWindowMask;
    const std::uint32_t gap = src > dst ? src - dst : dst - src;
    if (gap >= length && src + length <= kWindowSize && dst + length <= kWindowSize) {
        std::memcpy(window_ + dst, window_ + src, length);  // disjoint, no wrap
        windowPos_ = (dst + length) & kWindowMask;
        return;
    }
    // Overlapping copies repeat the pattern, so they go byte by byte.
    for (std::uint32_t i = 0; i < length; ++i) {
        window_[dst] = window_[src];
        dst = (dst + 1) & kWindowMask;
        src = (src + 1) & kWindowMask;
    }
    windowPos_ = dst;
}

void Decoder::Flush() {
    windowPos_ &= kWindowMask;
    if (output_ != nullptr) {
        const std::uint32_t span = (windowPos_ - flushedPos_) & kWindowMask;
        if (static_cast<std::uint64_t>(*written_) + span > unpSize_) {
            remainingOutput_ = -1;  // the stream produces more than the entry holds
        } else if (span > 0) {
            std::uint8_t* out = output_ + *written_;
            if (flushedPos_ < windowPos_) {
                std::memcpy(out, window_ + flushedPos_, span);
            } else {
                const std::uint32_t first = kWindowSize - flushedPos_;
                std::memcpy(out, window_ + flushedPos_, first);
                std::memcpy(out + first, window_, windowPos_);
            }
            *written_ += span;
        }
    }
    flushedPos_ = windowPos_;
}

// ---------------------------------------------------------------------------------------
// Decoding

void Decoder::DecodeEntry(const DecodeJob& job) {
    file_ = job.file;
    remainingPacked_ = job.packSize;
    output_ = job.output;
    written_ = job.written;
    unpSize_ = job.unpSize;
    inAddr_ = inBit_ = 0;
    bytesLoaded_ = 0;
    overrun_ = false;
    remainingOutput_ = 0;

    if (!job.solid) ResetState();
    FirstFill();
    if (!job.solid) ReadTables();
    remainingOutput_ = static_cast<std::int64_t>(job.unpSize) - 1;

    if (!overrun_) {
        while (remainingOutput_ >= 0) {
            windowPos_ &= kWindowMask;
            if (inAddr_ > kMainRefillAt && !Refill()) break;
            if (((flushedPos_ - windowPos_) & kWindowMask) < kFlushMargin &&
                flushedPos_ != windowPos_) {
                Flush();
                if (remainingOutput_ < 0) break;
            }
            if (audio_)
                DecodeAudio();
            else
                DecodeNormal();
        }
    }

    // A table switch right after the last symbol belongs to the next solid entry.
    if (!overrun_ && readTop_ >= static_cast<std::int64_t>(inAddr_) + 5) {
        if (audio_) {
            if (Decode(md_[currentChannel_]) == kAudioNewTables) ReadTables();
        } else {
            if (Decode(ld_) == kSymNewTables) ReadTables();
        }
    }
    Flush();
}

void Decoder::DecodeAudio() {
    const std::uint32_t sym = Decode(md_[currentChannel_]);
    if (sym == kAudioNewTables) {
        ReadTables();
        return;
    }
    window_[windowPos_++] = PredictAudioByte(channelStates_[currentChannel_], channelDelta_, sym);
    if (++currentChannel_ == channels_) currentChannel_ = 0;
    --remainingOutput_;
}

void Decoder::DecodeNormal() {
    const std::uint32_t sym = Decode(ld_);
    if (sym < 256) {
        window_[windowPos_++] = static_cast<std::uint8_t>(sym);
        --remainingOutput_;
        return;
    }
    if (sym >= kSymMatchFirst) {
        const std::uint32_t s = sym - kSymMatchFirst;
        std::uint32_t length = kLengthBase[s] + 3 + Extra(kLengthBits[s]);
        const std::uint32_t d = Decode(dd_);
        const std::uint32_t distance = kDistanceBase[d] + 1 + Extra(kDistanceBits[d]);
        if (distance >= kBonusDistance1) ++length;
        if (distance >= kBonusDistance2) ++length;
        CopyMatch(length, distance);
        return;
    }
    if (sym == kSymNewTables) {
        ReadTables();
        return;
    }
    if (sym == kSymRepeatLast) {
        CopyMatch(lastLength_, lastDistance_);
        return;
    }
    if (sym < kSymShortFirst) {
        const std::uint32_t distance = history_[(historyIndex_ - (sym - 256)) & 3];
        const std::uint32_t r = Decode(rd_);
        std::uint32_t length = kLengthBase[r] + 2 + Extra(kLengthBits[r]);
        if (distance >= kRepeatBonusDistance) ++length;
        if (distance >= kBonusDistance1) ++length;
        if (distance >= kBonusDistance2) ++length;
        CopyMatch(length, distance);
        return;
    }
    const std::uint32_t s = sym - kSymShortFirst;
    const std::uint32_t distance = kShortBase[s] + 1 + Extra(kShortBits[s]);
    CopyMatch(2, distance);
}

}  // namespace eh::media::rar20
