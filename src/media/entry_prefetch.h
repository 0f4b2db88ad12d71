// Reads archive entries ahead on a second thread while the program does other start-up
// work (creating the device, drawing the loading screen, building what it has read).
//
//   EntryPrefetch ahead(kMediaArchive, password, {"Texture/a.tga", "Meshes/b.emd"});
//   ...
//   std::vector<std::uint8_t> bytes;
//   ahead.Take("Texture/a.tga", &bytes);   // waits for the worker if it has not got there
//   kit.CreateTextureFromMemory(bytes.data(), ...);  // finds the prepared levels
//
// The worker extracts the named entries in the order given with its own ArchiveReader,
// and for images (.jpg, .tga, .bmp, .png, by name) also decodes them and builds their
// mip chains (d3dx::PrepareTexture), so that creating the texture only copies levels in.
// It stays at most `budgetBytes` ahead of the takers (it always holds the next entry
// asked for), so reading ahead costs a bounded amount of memory. Takes must come from
// one thread; the worker touches no device and no global state.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "d3dx/d3dx_prepared.h"

namespace eh::media {

class EntryPrefetch {
  public:
    static constexpr std::size_t kDefaultBudget = 8u << 20;

    EntryPrefetch(int archiveId, std::string password, std::vector<std::string> names,
                  std::size_t budgetBytes = kDefaultBudget);
    // Stops the worker (after the entry it is reading) and frees what was not taken.
    ~EntryPrefetch();
    EntryPrefetch(const EntryPrefetch&) = delete;
    EntryPrefetch& operator=(const EntryPrefetch&) = delete;

    enum class Take { kNotListed, kFound, kMissing };
    // For a listed name not taken yet (names match as ExtractEntry matches them): waits
    // until the worker has read it, then moves its bytes into *bytes (kFound), or answers
    // kMissing when the archive has no such entry or it failed its checks. kNotListed for
    // any other name, and for a name already taken: the caller reads it itself.
    Take TakeEntry(const std::string& name, std::vector<std::uint8_t>* bytes);

    // The prepared texture of the entry taken last, when `data` and `size` are the bytes
    // that take handed out (same buffer); null otherwise. Valid until the next take.
    const d3dx::PreparedTexture* PreparedFor(const void* data, std::size_t size) const;

  private:
    struct Slot {
        std::string name;
        bool done = false;
        bool found = false;
        bool taken = false;
        std::vector<std::uint8_t> bytes;
        std::unique_ptr<d3dx::PreparedTexture> prepared;
    };
    void run();

    int archiveId_;
    std::string password_;
    std::size_t budget_;
    std::vector<Slot> slots_;
    std::size_t held_ = 0;      // bytes done and not yet taken
    std::size_t wanted_ = 0;    // the first slot not taken: the worker always reads it
    bool stop_ = false;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    // The last take's hand-out, for PreparedFor (taker's thread only).
    const std::uint8_t* lastData_ = nullptr;
    std::size_t lastSize_ = 0;
    std::unique_ptr<d3dx::PreparedTexture> lastPrepared_;
    std::thread worker_;
};

}  // namespace eh::media
