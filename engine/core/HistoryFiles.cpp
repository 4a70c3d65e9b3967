// The local history (.msg) and list (.dat) files of an account.
//
// Every count read from a file is cut to what the file's size can hold, so a
// damaged header never leads to a large allocation or a read past the end.
#include "HistoryFiles.h"

#include <algorithm>
#include <cstring>

namespace engine {

namespace {

constexpr int64_t kHeaderSize = 128;
constexpr int kMaxAsideNames = 1000;

static_assert(sizeof(MsgFileHeader) == kHeaderSize, "history header");
static_assert(sizeof(LatestContactHeader) == kHeaderSize, "latest-contact header");
static_assert(sizeof(DatFileHeader) == kHeaderSize, "list header");

bool ReadExact(IFile& file, int64_t offset, void* buffer, size_t count) {
    return file.ReadAt(offset, buffer, count) == count;
}

bool WriteExact(IFile& file, int64_t offset, const void* data, size_t count) {
    return count == 0 || file.WriteAt(offset, data, count) == count;
}

// Renames a damaged file to "<name>.bad" (or "<name>.<n>.bad" when that is
// taken), so that nothing it held is lost. The file must be closed (see
// HistoryFiles::MoveAside).
bool RenameAside(IFileSystem& files, const std::wstring& path) {
    for (int n = 0; n < kMaxAsideNames; ++n) {
        std::wstring aside = n == 0 ? path + L".bad" : path + L"." + std::to_wstring(n) + L".bad";
        if (files.Exists(aside)) continue;
        return files.Rename(path, aside);
    }
    return false;
}

// The record head and text of one message, as one block.
std::vector<uint8_t> BuildMsgRecord(const TextMsgRecord& msg) {
    MsgRecordHead head{};
    head.type = msg.type;
    head.date = msg.date;
    head.time = msg.time;
    head.senderId = msg.senderId;
    head.receiverId = msg.receiverId;
    head.extraId = msg.extraId;
    // The text ends at its NUL; a field without one holds 1024 bytes of text.
    const void* nul = std::memchr(msg.text, 0, sizeof(msg.text));
    size_t textLength = nul ? static_cast<size_t>(static_cast<const char*>(nul) - msg.text)
                            : sizeof(msg.text);
    head.textLength = static_cast<int32_t>(textLength);
    head.minusOne = -1;
    head.extraLength = 0;  // chat messages carry no extra block

    std::vector<uint8_t> block;
    block.reserve(sizeof(head) + textLength);
    const auto* headBytes = reinterpret_cast<const uint8_t*>(&head);
    block.insert(block.end(), headBytes, headBytes + sizeof(head));
    const auto* textBytes = reinterpret_cast<const uint8_t*>(msg.text);
    block.insert(block.end(), textBytes, textBytes + textLength);
    return block;
}

bool IsNewer(const TextMsgRecord& msg, const MsgFileHeader& header) {
    if (msg.date != header.newestDate) return msg.date > header.newestDate;
    return msg.time > header.newestTime;
}

// Records of `recordSize` bytes that fit between the header and `fileSize`.
int64_t RecordsThatFit(int64_t fileSize, int64_t recordSize) {
    if (fileSize <= kHeaderSize || recordSize <= 0) return 0;
    return (fileSize - kHeaderSize) / recordSize;
}

int32_t CutCount(int32_t count, int64_t fits) {
    if (count < 0) return 0;
    return count > fits ? static_cast<int32_t>(fits) : count;
}

}  // namespace

std::wstring IdText(int32_t id) { return std::to_wstring(id); }

HistoryFiles::HistoryFiles(EngineVariant variant, IFileSystem& files)
    : variant_(variant), files_(files), open_(files) {}

bool HistoryFiles::MoveAside(const std::wstring& path) {
    open_.Close(path);
    return RenameAside(files_, path);
}

void HistoryFiles::Abandon(OpenFileCache::Use& file, const std::wstring& path) {
    file = {};
    open_.Close(path);
}

void HistoryFiles::CloseFiles() {
    Flush();
    open_.CloseAll();
}

std::wstring HistoryFiles::ChatHistoryPath(const std::wstring& root, int32_t owner,
                                           int32_t peer) const {
    std::wstring path = root + IdText(owner) + L"\\msg\\";
    if (variant_ == EngineVariant::Messenger) path += IdText(peer) + L"\\";
    return path + IdText(peer) + L".msg";
}

std::wstring HistoryFiles::LatestContactPath(const std::wstring& root, int32_t owner) {
    return root + IdText(owner) + L"\\msg\\latestContact.dat";
}

// ---------------------------------------------------------------------------
// History files
// ---------------------------------------------------------------------------

void HistoryFiles::WriteChatRecord(const TextMsgRecord& msg, const std::wstring& root, bool sent) {
    const int32_t owner = sent ? msg.senderId : msg.receiverId;
    const int32_t peer = sent ? msg.receiverId : msg.senderId;

    TextMsgRecord record = msg;
    if (variant_ == EngineVariant::Messenger) record.extraId = 0;
    AppendMsgRecord(record, ChatHistoryPath(root, owner, peer), AppendRule::KeepAll);

    if (!sent) {
        LatestContactRecord contact{};
        contact.peerId = msg.senderId;
        contact.one = 1;
        contact.date = msg.date;
        contact.time = msg.time / 1000;  // hhmmss
        UpdateLatestContact(contact, LatestContactPath(root, owner));
    }
}

// A batch keeps at most this many records before it writes them anyway.
constexpr size_t kMaxPending = 256;

bool HistoryFiles::AppendMsgRecord(const TextMsgRecord& msg, const std::wstring& path, AppendRule rule) {
    if (batching_) {
        pendingRecords_.push_back(PendingRecord{path, msg, rule});
        if (Pending() >= kMaxPending) Flush();
        return true;
    }
    return AppendNow({msg}, path, rule);
}

bool HistoryFiles::AppendMsgRecords(const std::vector<TextMsgRecord>& msgs, const std::wstring& path,
                                    AppendRule rule) {
    Flush();
    return AppendNow(msgs, path, rule);
}

bool HistoryFiles::AppendNow(const std::vector<TextMsgRecord>& batch, const std::wstring& path,
                             AppendRule rule) {
    const bool newerOnly = variant_ == EngineVariant::Desk && rule == AppendRule::NewerOnly;
    std::vector<TextMsgRecord> msgs = batch;
    if (msgs.empty()) return false;
    files_.CreateFolders(path);

    for (int attempt = 0; attempt < 2; ++attempt) {
        OpenFileCache::Use file = open_.Open(path);
        if (!file) return false;
        const int64_t size = file->Size();
        if (size < 0) {
            Abandon(file, path);
            return false;
        }

        MsgFileHeader header{};
        bool damaged = false;
        if (size > 0) {
            damaged = !ReadExact(*file, 0, &header, sizeof(header)) || header.marker != MSG_FILE_MARKER;
        }
        if (damaged) {
            file = {};
            if (!MoveAside(path)) return false;
            // The desk's history is fetched again whole from the server: the
            // record that found the damage is not written (the ones after it
            // start the new file); the messenger's history exists only here
            // and keeps every new record.
            if (variant_ == EngineVariant::Desk) {
                msgs.erase(msgs.begin());
                if (msgs.empty()) return false;
            }
            continue;
        }

        const MsgFileHeader previous = header;
        int64_t recordAt = kHeaderSize;
        if (size == 0) {
            header = MsgFileHeader{};
            header.marker = MSG_FILE_MARKER;
        } else {
            // The smallest record is its head alone.
            header.count = CutCount(header.count, RecordsThatFit(size, sizeof(MsgRecordHead)));
            recordAt = size;
        }
        // Each record as if appended alone: the desk takes only a record
        // newer than the file's newest (the first one of a new file always).
        std::vector<uint8_t> blocks;
        bool hasRecords = size > 0;
        for (const TextMsgRecord& msg : msgs) {
            const bool newer = !hasRecords || IsNewer(msg, header);
            if (newerOnly && !newer) continue;
            const std::vector<uint8_t> block = BuildMsgRecord(msg);
            blocks.insert(blocks.end(), block.begin(), block.end());
            ++header.count;
            // The desk's header names the newest record of the file: its
            // refresh asks the server for what came after it.
            if (newer || variant_ == EngineVariant::Messenger) {
                header.newestDate = msg.date;
                header.newestTime = msg.time;
            }
            hasRecords = true;
        }
        if (blocks.empty()) return false;

        // Records first, header after: a reader never sees a count that the
        // file does not hold, and a failed write is taken back.
        if (!WriteExact(*file, recordAt, blocks.data(), blocks.size())) {
            file->Truncate(size);
            Abandon(file, path);
            return false;
        }
        if (!WriteExact(*file, 0, &header, sizeof(header))) {
            // Part of the new header may have reached the file.
            if (size > 0) WriteExact(*file, 0, &previous, sizeof(previous));
            file->Truncate(size);
            Abandon(file, path);
            return false;
        }
        return true;
    }
    return false;
}

void HistoryFiles::EndBatch() {
    batching_ = false;
    Flush();
}

void HistoryFiles::Flush() {
    if (pendingRecords_.empty() && pendingContacts_.empty()) return;
    std::vector<PendingRecord> records;
    std::vector<std::pair<std::wstring, LatestContactRecord>> contacts;
    records.swap(pendingRecords_);
    contacts.swap(pendingContacts_);
    // One write per file and rule, each file's records in their order.
    std::vector<bool> done(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        if (done[i]) continue;
        std::vector<TextMsgRecord> run;
        AppendRule rule = records[i].rule;
        for (size_t j = i; j < records.size(); ++j) {
            if (done[j] || records[j].path != records[i].path) continue;
            if (records[j].rule != rule) {
                AppendNow(run, records[i].path, rule);
                run.clear();
                rule = records[j].rule;
            }
            run.push_back(records[j].msg);
            done[j] = true;
        }
        AppendNow(run, records[i].path, rule);
    }
    std::vector<bool> updated(contacts.size());
    for (size_t i = 0; i < contacts.size(); ++i) {
        if (updated[i]) continue;
        std::vector<LatestContactRecord> same;
        for (size_t j = i; j < contacts.size(); ++j) {
            if (!updated[j] && contacts[j].first == contacts[i].first) {
                same.push_back(contacts[j].second);
                updated[j] = true;
            }
        }
        UpdateLatestContactsNow(same, contacts[i].first);
    }
}

bool HistoryFiles::ReadMsgHeader(const std::wstring& path, MsgFileHeader& out) {
    Flush();
    std::unique_ptr<IFile> file = files_.Open(path, FileOpen::Read);
    if (!file) return false;
    const int64_t size = file->Size();
    if (size <= 0) return false;  // empty: nothing to keep, started anew by the next append
    MsgFileHeader header{};
    if (ReadExact(*file, 0, &header, sizeof(header)) && header.marker == MSG_FILE_MARKER) {
        out = header;
        return true;
    }
    file.reset();
    MoveAside(path);
    return false;
}

void HistoryFiles::UpdateLatestContact(const LatestContactRecord& record, const std::wstring& path) {
    if (batching_) {
        pendingContacts_.emplace_back(path, record);
        if (Pending() >= kMaxPending) Flush();
        return;
    }
    UpdateLatestContactsNow({record}, path);
}

void HistoryFiles::UpdateLatestContactsNow(const std::vector<LatestContactRecord>& updates,
                                           const std::wstring& path) {
    if (updates.empty()) return;
    files_.CreateFolders(path);

    for (int attempt = 0; attempt < 2; ++attempt) {
        OpenFileCache::Use file = open_.Open(path);
        if (!file) return;
        const int64_t size = file->Size();
        if (size < 0) {
            Abandon(file, path);
            return;
        }

        LatestContactHeader header{};
        if (size > 0 && !ReadExact(*file, 0, &header, sizeof(header))) {
            file = {};
            if (!MoveAside(path)) return;
            continue;  // start a new file
        }

        std::vector<LatestContactRecord> records;
        if (size > 0) {
            header.count = CutCount(header.count, RecordsThatFit(size, sizeof(LatestContactRecord)));
            records.resize(static_cast<size_t>(header.count));
            if (!records.empty() &&
                !ReadExact(*file, kHeaderSize, records.data(), records.size() * sizeof(records[0]))) {
                Abandon(file, path);
                return;
            }
        }
        const size_t stored = records.size();
        size_t firstChanged = records.size();
        for (const LatestContactRecord& record : updates) {
            // The header's date and time become the newest update's.
            header.date = record.date;
            header.time = record.time;
            size_t index = 0;
            while (index < records.size() && records[index].peerId != record.peerId) ++index;
            if (index < records.size()) {
                // Known peer: its date and time change in place; its other words stay.
                records[index].date = record.date;
                records[index].time = record.time;
            } else {
                records.push_back(record);
            }
            firstChanged = std::min(firstChanged, index);
        }
        if (records.size() != stored) header.count = static_cast<int32_t>(records.size());
        // The records from the first one that changed, then the header.
        const int64_t recordAt = kHeaderSize + static_cast<int64_t>(firstChanged) * sizeof(LatestContactRecord);
        if (!WriteExact(*file, recordAt, records.data() + firstChanged,
                        (records.size() - firstChanged) * sizeof(LatestContactRecord)) ||
            !WriteExact(*file, 0, &header, sizeof(header))) {
            Abandon(file, path);
        }
        return;
    }
}

// ---------------------------------------------------------------------------
// List files
// ---------------------------------------------------------------------------

int HistoryFiles::WriteDatFile(const std::wstring& root, const std::wstring& relative,
                               const DatFileHeader& header, const void* records, size_t byteCount) {
    Flush();
    const std::wstring path = root + relative;
    files_.CreateFolders(path);
    std::unique_ptr<IFile> file = files_.Open(path, FileOpen::ReadWriteCreate);
    if (!file) return 0;
    if (byteCount > 0 && (!records || !WriteExact(*file, kHeaderSize, records, byteCount))) return 0;
    return WriteExact(*file, 0, &header, sizeof(header)) ? 1 : 0;
}

int HistoryFiles::ReadDatHeader(const std::wstring& root, const std::wstring& relative,
                                DatFileHeader& out) {
    Flush();
    const bool desk = variant_ == EngineVariant::Desk;
    const std::wstring path = root + relative;
    std::unique_ptr<IFile> file = files_.Open(path, FileOpen::Read);
    if (!file) return desk ? ERR_DAT_OPEN_HEADER : ERR_DAT_OPEN_DATA;

    DatFileHeader header{};
    if (!ReadExact(*file, 0, &header, sizeof(header))) {
        const int64_t size = file->Size();
        file.reset();
        // Part of a header: keep those bytes aside; the next write starts anew.
        if (size > 0) MoveAside(path);
        return desk ? ERR_DAT_READ_HEADER : ERR_DAT_IO;
    }
    out = header;
    return 0;
}

bool HistoryFiles::ReadWholeDatHeader(const std::wstring& root, const std::wstring& relative, size_t recordSize,
                                      DatFileHeader& out) {
    DatFileHeader header{};
    if (ReadDatHeader(root, relative, header) != 0) return false;
    const std::wstring path = root + relative;
    int64_t size = -1;
    if (std::unique_ptr<IFile> file = files_.Open(path, FileOpen::Read)) size = file->Size();
    if (size < 0) return false;
    const bool whole = header.kind == DAT_FILE_KIND && header.recordSize == static_cast<int32_t>(recordSize) &&
                       header.recordCount >= 0 &&
                       RecordsThatFit(size, static_cast<int64_t>(recordSize)) >= header.recordCount;
    if (!whole) {
        MoveAside(path);
        return false;
    }
    out = header;
    return true;
}

int HistoryFiles::ReadDatRecords(const std::wstring& root, const std::wstring& relative,
                                 int64_t offset, void* out, size_t byteCount) {
    Flush();
    if (byteCount == 0) return ERR_DAT_SIZE;
    std::unique_ptr<IFile> file = files_.Open(root + relative, FileOpen::Read);
    if (!file) return ERR_DAT_OPEN_DATA;
    if (!out || offset < 0 || !ReadExact(*file, offset, out, byteCount)) return ERR_DAT_IO;
    return 0;
}

int HistoryFiles::WriteDatHeader(const std::wstring& root, const std::wstring& relative,
                                 const DatFileHeader& header) {
    Flush();
    const std::wstring path = root + relative;
    // Only an existing list gets a new header; a header alone is no list.
    if (!files_.Exists(path)) return ERR_DAT_OPEN_DATA;
    std::unique_ptr<IFile> file = files_.Open(path, FileOpen::ReadWriteCreate);
    if (!file) return ERR_DAT_OPEN_DATA;
    return WriteExact(*file, 0, &header, sizeof(header)) ? 0 : ERR_DAT_IO;
}

bool HistoryFiles::DeleteDatFile(const std::wstring& root, const std::wstring& relative) {
    Flush();
    open_.Close(root + relative);
    return files_.Delete(root + relative);
}

template <class T>
std::vector<T> HistoryFiles::ReadDatList(const std::wstring& root, const std::wstring& relative) {
    Flush();
    std::vector<T> records;
    DatFileHeader header{};
    if (ReadDatHeader(root, relative, header) != 0) return records;
    std::unique_ptr<IFile> file = files_.Open(root + relative, FileOpen::Read);
    if (!file) return records;
    if (header.recordSize != static_cast<int32_t>(sizeof(T)) || header.recordCount <= 0) {
        return records;
    }
    const int32_t count = CutCount(header.recordCount, RecordsThatFit(file->Size(), sizeof(T)));
    records.resize(static_cast<size_t>(count));
    if (count == 0) return records;
    const size_t done = file->ReadAt(kHeaderSize, records.data(), records.size() * sizeof(T));
    records.resize(done / sizeof(T));  // whole records only
    return records;
}

template std::vector<UserInfoBase> HistoryFiles::ReadDatList<UserInfoBase>(const std::wstring&,
                                                                           const std::wstring&);
template std::vector<CategoryRecord> HistoryFiles::ReadDatList<CategoryRecord>(const std::wstring&,
                                                                               const std::wstring&);
template std::vector<GroupUserRecord> HistoryFiles::ReadDatList<GroupUserRecord>(
    const std::wstring&, const std::wstring&);
template std::vector<TalkListRecord> HistoryFiles::ReadDatList<TalkListRecord>(const std::wstring&,
                                                                               const std::wstring&);
template std::vector<FriendUpdateRecord> HistoryFiles::ReadDatList<FriendUpdateRecord>(
    const std::wstring&, const std::wstring&);

}  // namespace engine
