// The files that history appends keep open between uses: handed out again
// only while their path still names them, closed on request, on an error
// and when the cache is full; and the history files written through them
// end exactly as with a fresh open each time.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HistoryFiles.h"
#include "HostPorts.h"
#include "OpenFileCache.h"
#include "TempFolder.h"
#include "TestMessages.h"

namespace {

using engine::EngineVariant;
using engine::FileOpen;
using engine::HistoryFiles;
using engine::IFile;
using engine::OpenFileCache;

// Files in memory. A path names a node; an open file keeps its node, so a
// file moved, deleted or replaced under an open one behaves as on disk: the
// open file goes on writing to the old node, which the path no longer names.
class MemoryFileSystem : public engine::IFileSystem {
public:
    using Node = std::shared_ptr<std::string>;

    std::unique_ptr<IFile> Open(const std::wstring& path, FileOpen mode) override {
        auto it = nodes_.find(path);
        if (it == nodes_.end()) {
            if (mode == FileOpen::Read) return nullptr;
            it = nodes_.emplace(path, std::make_shared<std::string>()).first;
        }
        ++opens;
        return std::make_unique<File>(it->second, *this);
    }
    bool CreateFolders(const std::wstring&) override { return true; }
    bool Delete(const std::wstring& path) override { return nodes_.erase(path) == 1; }
    bool Copy(const std::wstring& from, const std::wstring& to) override {
        auto it = nodes_.find(from);
        if (it == nodes_.end()) return false;
        nodes_[to] = std::make_shared<std::string>(*it->second);
        return true;
    }
    bool Rename(const std::wstring& from, const std::wstring& to) override {
        auto it = nodes_.find(from);
        if (it == nodes_.end()) return false;
        Node node = it->second;
        nodes_.erase(it);
        nodes_[to] = node;
        return true;
    }
    bool Exists(const std::wstring& path) override { return nodes_.count(path) == 1; }

    std::string Bytes(const std::wstring& path) const {
        auto it = nodes_.find(path);
        return it == nodes_.end() ? std::string() : *it->second;
    }
    int failWrite = 0;  // the n-th write from now writes half of its bytes and reports that
    int opens = 0;

private:
    class File : public IFile {
    public:
        File(Node node, MemoryFileSystem& owner) : node_(std::move(node)), owner_(owner) {}
        int64_t Size() override { return static_cast<int64_t>(node_->size()); }
        size_t ReadAt(int64_t offset, void* buffer, size_t count) override {
            if (offset < 0 || static_cast<size_t>(offset) >= node_->size()) return 0;
            const size_t n = std::min(count, node_->size() - static_cast<size_t>(offset));
            std::memcpy(buffer, node_->data() + offset, n);
            return n;
        }
        size_t WriteAt(int64_t offset, const void* data, size_t count) override {
            if (owner_.failWrite > 0 && --owner_.failWrite == 0) count /= 2;
            if (node_->size() < static_cast<size_t>(offset) + count) node_->resize(static_cast<size_t>(offset) + count);
            std::memcpy(&(*node_)[static_cast<size_t>(offset)], data, count);
            return count;
        }
        bool Truncate(int64_t size) override {
            node_->resize(static_cast<size_t>(size));
            return true;
        }
        bool StillAt(const std::wstring& path) override {
            auto it = owner_.nodes_.find(path);
            return it != owner_.nodes_.end() && it->second == node_;
        }

    private:
        Node node_;
        MemoryFileSystem& owner_;
    };

    std::map<std::wstring, Node> nodes_;
};

constexpr int32_t kOwn = 1;
constexpr int32_t kDate = 20261210;
constexpr int32_t kTime = 95539000;
const std::wstring kRoot = L"C:\\qv\\";

TextMsgRecord Msg(int32_t sender, int32_t time, const char* text) {
    return enginetest::TextMsg(sender, kOwn, kDate, time, text);
}

// The texts of a history file's records, in order; the header's count first.
std::vector<std::string> Texts(const std::string& bytes, int32_t* count = nullptr) {
    std::vector<std::string> texts;
    if (bytes.size() < sizeof(MsgFileHeader)) return texts;
    MsgFileHeader header{};
    std::memcpy(&header, bytes.data(), sizeof header);
    if (count) *count = header.count;
    size_t at = sizeof header;
    while (bytes.size() - at >= sizeof(MsgRecordHead)) {
        MsgRecordHead head{};
        std::memcpy(&head, bytes.data() + at, sizeof head);
        at += sizeof head;
        if (head.textLength < 0 || bytes.size() - at < static_cast<size_t>(head.textLength)) break;
        texts.push_back(bytes.substr(at, static_cast<size_t>(head.textLength)));
        at += static_cast<size_t>(head.textLength);
    }
    return texts;
}

std::vector<std::string> V(std::initializer_list<const char*> texts) {
    return std::vector<std::string>(texts.begin(), texts.end());
}

TEST(OpenFileCache, KeepsFilesWhileTheirPathsNameThemAndClosesTheOldestWhenFull) {
    MemoryFileSystem files;
    OpenFileCache cache(files, 2);
    const std::wstring a = L"C:\\a", b = L"C:\\b", c = L"C:\\c";
    ASSERT_TRUE(cache.Open(a));
    ASSERT_TRUE(cache.Open(a));
    EXPECT_EQ(files.opens, 1) << "kept open";
    cache.Open(b);
    cache.Open(a);  // a is now the most recently used
    cache.Open(c);  // b goes
    EXPECT_EQ(cache.OpenCount(), 2u);
    EXPECT_EQ(files.opens, 3);
    cache.Open(a);
    EXPECT_EQ(files.opens, 3);
    cache.Open(b);
    EXPECT_EQ(files.opens, 4) << "b was closed";

    // Moved aside, deleted, replaced: the path is opened anew.
    const int before = files.opens;
    ASSERT_TRUE(files.Rename(a, L"C:\\a.bad"));
    cache.Open(a)->WriteAt(0, "new", 3);
    EXPECT_EQ(files.Bytes(a), "new");
    ASSERT_TRUE(files.Delete(a));
    cache.Open(a);
    ASSERT_TRUE(files.Copy(L"C:\\a.bad", a));
    cache.Open(a);
    EXPECT_EQ(files.opens, before + 3);

    cache.Close(a);
    EXPECT_EQ(cache.OpenCount(), 1u);
    cache.CloseAll();
    EXPECT_EQ(cache.OpenCount(), 0u);
}

TEST(OpenFileCache, AFileThatCannotTellItsPathIsOpenedForEachUse) {
    // The C library's files on Windows cannot tell; elsewhere they can.
    enginetest::TempFolder temp;
    engine::StdFileSystem files;
    OpenFileCache cache(files);
    const std::wstring path = temp.Path() + L"f.msg";
    {
        OpenFileCache::Use use = cache.Open(path);
        ASSERT_TRUE(use);
        EXPECT_EQ(use->WriteAt(0, "abc", 3), 3u);
        EXPECT_EQ(enginetest::ReadBytes(files, path), "abc") << "written, not kept in the process";
    }
#ifdef _WIN32
    EXPECT_EQ(cache.OpenCount(), 0u);
#else
    EXPECT_EQ(cache.OpenCount(), 1u);
#endif
    cache.CloseAll();
}

class CachedHistory : public ::testing::Test {
protected:
    std::wstring Path(int32_t peer) const { return history.ChatHistoryPath(kRoot, kOwn, peer); }
    std::wstring Latest() const { return HistoryFiles::LatestContactPath(kRoot, kOwn); }
    void Receive(int32_t peer, int32_t time, const char* text) {
        history.WriteChatRecord(Msg(peer, time, text), kRoot, false);
    }

    MemoryFileSystem files;
    HistoryFiles history{EngineVariant::Messenger, files};
};

TEST_F(CachedHistory, AppendsReuseTheOpenFilesAndAReaderSeesEveryRecord) {
    const char* texts[] = {"one", "two", "three", "four"};
    std::vector<std::string> seen;
    for (int i = 0; i < 4; ++i) {
        Receive(7, kTime + i, texts[i]);
        seen.push_back(texts[i]);
        int32_t count = 0;
        EXPECT_EQ(Texts(files.Bytes(Path(7)), &count), seen);
        EXPECT_EQ(count, i + 1);
    }
    EXPECT_EQ(files.opens, 2) << "the history and the latest contacts, once each";
    EXPECT_EQ(history.OpenFiles(), 2u);
}

TEST_F(CachedHistory, AFileMovedAsideOrDeletedWhileOpenIsStartedAnew) {
    const struct {
        const char* what;
        bool deleted;
    } cases[] = {{"moved aside", false}, {"deleted", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryFileSystem files;
        HistoryFiles history(EngineVariant::Messenger, files);
        const std::wstring path = history.ChatHistoryPath(kRoot, kOwn, 7);
        history.WriteChatRecord(Msg(7, kTime, "before"), kRoot, false);
        if (c.deleted) {
            ASSERT_TRUE(files.Delete(path));
        } else {
            ASSERT_TRUE(files.Rename(path, path + L".old"));
        }
        history.WriteChatRecord(Msg(7, kTime + 1, "after"), kRoot, false);
        int32_t count = 0;
        EXPECT_EQ(Texts(files.Bytes(path), &count), V({"after"}));
        EXPECT_EQ(count, 1);
        if (!c.deleted) {
            EXPECT_EQ(Texts(files.Bytes(path + L".old")), V({"before"}));
        }
    }
}

TEST_F(CachedHistory, DamageFoundInAnOpenFileMovesItAside) {
    Receive(7, kTime, "first");
    // Someone else spoils the marker of the file the cache holds open: the
    // header is read again for every append.
    MsgFileHeader bad{};
    bad.marker = MSG_FILE_MARKER + 1;
    files.Open(Path(7), FileOpen::ReadWriteCreate)->WriteAt(0, &bad, sizeof bad);
    Receive(7, kTime + 1, "second");
    EXPECT_EQ(Texts(files.Bytes(Path(7) + L".bad")), V({"first"}));
    EXPECT_EQ(Texts(files.Bytes(Path(7))), V({"second"}));
}

TEST(CachedHistoryFaults, AFailedWriteIsTakenBackAndItsFileClosed) {
    // Write 1 of an append is the record, write 2 the header.
    for (int failing : {1, 2}) {
        SCOPED_TRACE(failing);
        MemoryFileSystem files;
        HistoryFiles history(EngineVariant::Messenger, files);
        const std::wstring path = history.ChatHistoryPath(kRoot, kOwn, 7);
        const auto append = [&](int32_t time, const char* text) {
            return history.AppendMsgRecord(Msg(7, time, text), path, HistoryFiles::AppendRule::KeepAll);
        };
        ASSERT_TRUE(append(kTime, "first"));
        const std::string before = files.Bytes(path);
        const int opens = files.opens;
        files.failWrite = failing;
        EXPECT_FALSE(append(kTime + 1, "lost"));
        EXPECT_EQ(files.Bytes(path), before);
        EXPECT_EQ(history.OpenFiles(), 0u);
        // The next append opens the file again.
        EXPECT_TRUE(append(kTime + 2, "next"));
        EXPECT_EQ(files.opens, opens + 1);
        EXPECT_EQ(Texts(files.Bytes(path)), V({"first", "next"}));
    }
}

TEST_F(CachedHistory, CloseFilesWritesWhatABatchKeptAndClosesEveryFile) {
    // Log-out, another account, unload.
    history.BeginBatch();
    Receive(7, kTime, "kept");
    Receive(8, kTime, "kept too");
    EXPECT_EQ(files.opens, 0);
    history.CloseFiles();
    EXPECT_EQ(history.Pending(), 0u);
    EXPECT_EQ(history.OpenFiles(), 0u);
    EXPECT_EQ(Texts(files.Bytes(Path(7))), V({"kept"}));
    EXPECT_EQ(Texts(files.Bytes(Path(8))), V({"kept too"}));
    // The files are free to be moved by others now, and the next append
    // opens them anew.
    ASSERT_TRUE(files.Rename(Path(7), Path(7) + L".moved"));
    history.EndBatch();
    Receive(7, kTime + 1, "after");
    EXPECT_EQ(Texts(files.Bytes(Path(7))), V({"after"}));
}

TEST_F(CachedHistory, ItsOwnRenamesAndDeletesCloseTheFileFirst) {
    // A list file removed through the history object is not left open.
    Receive(7, kTime, "first");
    const size_t open = history.OpenFiles();
    EXPECT_TRUE(history.DeleteDatFile(kRoot, L"1\\msg\\latestContact.dat"));
    EXPECT_EQ(history.OpenFiles(), open - 1);
    EXPECT_FALSE(files.Exists(Latest()));
    Receive(7, kTime + 1, "second");
    EXPECT_TRUE(files.Exists(Latest()));
}

}  // namespace
