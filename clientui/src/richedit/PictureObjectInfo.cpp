#include "clientui/PictureObjectInfo.h"

#include <mutex>
#include <unordered_map>

namespace {

// The live records by key. Keys count up and skip 0 and keys still in use,
// so a key is not handed out again while its first record lives.
class KeyTable {
public:
    uint32_t Add(PictureObjectInfo* info) {
        std::lock_guard<std::mutex> lock(m_lock);
        do {
            ++m_next;
        } while (m_next == 0 || m_records.count(m_next));
        m_records.emplace(m_next, info);
        return m_next;
    }
    void Remove(uint32_t key) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_records.erase(key);
    }
    PictureObjectInfo* Find(uint32_t key) {
        if (key == 0) return nullptr;
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = m_records.find(key);
        return it == m_records.end() ? nullptr : it->second;
    }

private:
    std::mutex m_lock;
    uint32_t m_next = 0;
    std::unordered_map<uint32_t, PictureObjectInfo*> m_records;
};

KeyTable& Keys() {
    static KeyTable table;
    return table;
}

}  // namespace

PictureObjectInfo::PictureObjectInfo() : m_key(Keys().Add(this)) {}

PictureObjectInfo::PictureObjectInfo(const PictureObjectInfo& other)
    : state(other.state), path(other.path), name(other.name), m_key(Keys().Add(this)) {}

PictureObjectInfo& PictureObjectInfo::operator=(const PictureObjectInfo& other) {
    state = other.state;
    path = other.path;
    name = other.name;
    return *this;
}

PictureObjectInfo::~PictureObjectInfo() { Keys().Remove(m_key); }

PictureObjectInfo* PictureObjectInfo::FromKey(uint32_t key) { return Keys().Find(key); }
