// The local history (.msg) and list (.dat) files of an account.
//
// Paths are Windows paths under the host program's folder (`root`, with its
// trailing backslash); every folder of a path is created before a file is
// written. The clients' history views read the same formats directly.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "EngineConfig.h"
#include "EnginePorts.h"
#include "ImEngineApi.h"
#include "OpenFileCache.h"

namespace engine {

class HistoryFiles {
public:
    HistoryFiles(EngineVariant variant, IFileSystem& files);

    // Files a message of the own account: for a sent one (sent = true) under
    // the sender's folder and the receiver's file, else under the receiver's
    // folder and the sender's file (which also updates "latestContact.dat").
    // Desk: <root><owner>\msg\<peer>.msg; messenger: <root><owner>\msg\<peer>\<peer>.msg.
    void WriteChatRecord(const TextMsgRecord& msg, const std::wstring& root, bool sent);

    // Which records an append takes. Records fetched from the server's archive
    // are taken only when newer than the file's newest (desk), so a refetch
    // never duplicates them; a live message is always kept: it is stamped by
    // its sender's clock, which need not agree with the server's, and must not
    // be lost for that.
    enum class AppendRule { NewerOnly, KeepAll };

    // Appends one record to the history file at `path` (header kept up to date).
    // Desk with NewerOnly: only a record newer than the file's newest is
    // written; otherwise every record (the desk header keeps the newest of
    // all; the messenger's takes the last record's). The record goes to the end first and the header is
    // rewritten after it; a failed write takes the record back.
    // A file whose header is unreadable or whose marker is wrong is moved
    // aside (".bad"). The desk then does not write the record (its next
    // refresh of that history asks the server for all of it); the messenger
    // starts a new file with the record. Returns true when the record was written.
    bool AppendMsgRecord(const TextMsgRecord& msg, const std::wstring& path,
                         AppendRule rule = AppendRule::NewerOnly);
    // The same for several records of one file, in order, with one open and
    // one header write: the file ends as if each had been appended in turn.
    // Returns true when at least one record was written.
    bool AppendMsgRecords(const std::vector<TextMsgRecord>& msgs, const std::wstring& path,
                          AppendRule rule = AppendRule::NewerOnly);

    // Updates the peer's entry of "latestContact.dat" at `path` in place, or adds it.
    // A file too short for its header is moved aside and started anew.
    void UpdateLatestContact(const LatestContactRecord& record, const std::wstring& path);

    // A batch: between BeginBatch and EndBatch, history appends and
    // latest-contact updates are kept and written together by Flush (one
    // open per file instead of one per message); the files end exactly as
    // with one call each. Every other call, read or write, flushes first,
    // so nothing of this object ever sees a file without what was kept for
    // it. (The engine batches the packets of one dispatch run; the client
    // reads the files only after it, or after a flush before a sent
    // notification.)
    void BeginBatch() { batching_ = true; }
    void EndBatch();
    void Flush();
    size_t Pending() const { return pendingRecords_.size() + pendingContacts_.size(); }

    // The history and latest-contact files that appends write stay open
    // between appends (a few of them, see OpenFileCache): writes reach the
    // file at once, readers may open it meanwhile. CloseFiles writes what a
    // batch kept and closes them (log-out, another account, unload).
    void CloseFiles();
    size_t OpenFiles() const { return open_.OpenCount(); }

    // <root><owner>\msg\<peer>.msg (desk) or <root><owner>\msg\<peer>\<peer>.msg (messenger).
    std::wstring ChatHistoryPath(const std::wstring& root, int32_t owner, int32_t peer) const;
    // <root><owner>\msg\latestContact.dat
    static std::wstring LatestContactPath(const std::wstring& root, int32_t owner);

    // List files: `relative` is below `root`. Results as documented: 1/0 for
    // WriteDatFile, 0 or an ERR_DAT_* code for the others. ReadDatHeader:
    // desk -10009 (cannot open) / -10010 (short header), messenger -10011 /
    // -10012; a file with part of a header is moved aside. WriteDatHeader
    // rewrites the header of an existing file only (-10011 when missing).
    int WriteDatFile(const std::wstring& root, const std::wstring& relative,
                     const DatFileHeader& header, const void* records, size_t byteCount);
    int ReadDatHeader(const std::wstring& root, const std::wstring& relative, DatFileHeader& out);
    // Reads the header of a list file and checks that the file is whole: the
    // list kind, records of recordSize bytes and every record it counts
    // there. A file that is there but not whole (cut short, overwritten) is
    // moved aside, so its bytes stay while a new list takes its place; false
    // for it and for a missing file.
    bool ReadWholeDatHeader(const std::wstring& root, const std::wstring& relative, size_t recordSize,
                            DatFileHeader& out);
    int ReadDatRecords(const std::wstring& root, const std::wstring& relative, int64_t offset,
                       void* out, size_t byteCount);
    int WriteDatHeader(const std::wstring& root, const std::wstring& relative,
                       const DatFileHeader& header);
    bool DeleteDatFile(const std::wstring& root, const std::wstring& relative);

    // Reads a whole list file: the header's count of records of type T
    // (none when the file is missing, unreadable or of another record size),
    // cut to the whole records the file holds. Instantiated for UserInfoBase,
    // CategoryRecord, GroupUserRecord, TalkListRecord and FriendUpdateRecord.
    template <class T>
    std::vector<T> ReadDatList(const std::wstring& root, const std::wstring& relative);

    // Reads a history file's header; false when missing, empty or unreadable.
    // A file whose header is cut short or whose marker is wrong is moved
    // aside and reported as missing.
    bool ReadMsgHeader(const std::wstring& path, MsgFileHeader& out);

private:
    struct PendingRecord {
        std::wstring path;
        TextMsgRecord msg;
        AppendRule rule;
    };
    bool AppendNow(const std::vector<TextMsgRecord>& msgs, const std::wstring& path, AppendRule rule);
    void UpdateLatestContactsNow(const std::vector<LatestContactRecord>& records, const std::wstring& path);
    // Closes the file if it is kept open, then renames it aside (".bad").
    bool MoveAside(const std::wstring& path);
    // After a failure on `file` (of `path`): ends the use and closes the
    // file, so that the next append opens it anew.
    void Abandon(OpenFileCache::Use& file, const std::wstring& path);

    EngineVariant variant_;
    IFileSystem& files_;
    OpenFileCache open_;
    bool batching_ = false;
    std::vector<PendingRecord> pendingRecords_;
    std::vector<std::pair<std::wstring, LatestContactRecord>> pendingContacts_;
};

// Path helpers: decimal ids, backslashes.
std::wstring IdText(int32_t id);

}  // namespace engine
