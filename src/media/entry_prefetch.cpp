#include "media/entry_prefetch.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "media/archive.h"

namespace eh::media {
namespace {

bool isImageName(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "jpg" || ext == "jpeg" || ext == "tga" || ext == "bmp" || ext == "png";
}

std::size_t slotBytes(const std::vector<std::uint8_t>& bytes,
                      const std::unique_ptr<d3dx::PreparedTexture>& prepared) {
    return bytes.size() + (prepared ? prepared->bytes() : 0);
}

}  // namespace

EntryPrefetch::EntryPrefetch(int archiveId, std::string password, std::vector<std::string> names,
                             std::size_t budgetBytes)
    : archiveId_(archiveId), password_(std::move(password)), budget_(budgetBytes) {
    slots_.resize(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) slots_[i].name = std::move(names[i]);
    worker_ = std::thread([this] { run(); });
}

EntryPrefetch::~EntryPrefetch() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    worker_.join();
    std::fill(password_.begin(), password_.end(), '\0');
}

void EntryPrefetch::run() {
    ArchiveReader reader;  // the program's reader belongs to the main thread
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        std::string name;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            // Hold off while over budget, unless this is the entry a taker waits for.
            changed_.wait(lock, [&] { return stop_ || held_ < budget_ || i <= wanted_; });
            if (stop_) return;
            if (slots_[i].taken) continue;
            name = slots_[i].name;
        }
        MemoryFile file;
        OpenMediaResource(file, archiveId_);
        std::uint8_t* data = nullptr;
        DWORD size = 0;
        std::string password = password_;  // the reader wipes the copy it is given
        std::vector<std::uint8_t> bytes;
        std::unique_ptr<d3dx::PreparedTexture> prepared;
        const bool found = reader.Extract(&data, &size, name.c_str(), &file, password.c_str()) != 0;
        if (found) {
            bytes.assign(data, data + size);
            std::free(data);
            if (isImageName(name)) {
                prepared = std::make_unique<d3dx::PreparedTexture>();
                if (!d3dx::PrepareTexture(bytes.data(), static_cast<UINT>(bytes.size()), *prepared))
                    prepared.reset();
            }
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            Slot& slot = slots_[i];
            slot.found = found;
            slot.bytes = std::move(bytes);
            slot.prepared = std::move(prepared);
            slot.done = true;
            held_ += slotBytes(slot.bytes, slot.prepared);
        }
        changed_.notify_all();
    }
}

EntryPrefetch::Take EntryPrefetch::TakeEntry(const std::string& name,
                                             std::vector<std::uint8_t>* bytes) {
    lastData_ = nullptr;
    lastSize_ = 0;
    lastPrepared_.reset();
    if (bytes == nullptr) return Take::kNotListed;
    std::unique_lock<std::mutex> lock(mutex_);
    std::size_t index = slots_.size();
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (!slots_[i].taken && EntryNamesMatch(name.c_str(), slots_[i].name.c_str())) {
            index = i;
            break;
        }
    }
    if (index == slots_.size()) return Take::kNotListed;
    Slot& slot = slots_[index];
    if (!slot.done) {
        // The worker reads in list order; let it past the budget up to this entry.
        wanted_ = std::max(wanted_, index);
        changed_.notify_all();
        changed_.wait(lock, [&] { return slot.done; });
    }
    slot.taken = true;
    held_ -= slotBytes(slot.bytes, slot.prepared);
    while (wanted_ < slots_.size() && slots_[wanted_].taken) ++wanted_;
    const bool found = slot.found;
    *bytes = std::move(slot.bytes);
    slot.bytes = std::vector<std::uint8_t>();
    lastPrepared_ = std::move(slot.prepared);
    lock.unlock();
    changed_.notify_all();
    if (!found) {
        bytes->clear();
        lastPrepared_.reset();
        return Take::kMissing;
    }
    lastData_ = bytes->data();
    lastSize_ = bytes->size();
    return Take::kFound;
}

const d3dx::PreparedTexture* EntryPrefetch::PreparedFor(const void* data, std::size_t size) const {
    if (lastPrepared_ == nullptr || data == nullptr || data != lastData_ || size != lastSize_)
        return nullptr;
    return lastPrepared_.get();
}

}  // namespace eh::media
