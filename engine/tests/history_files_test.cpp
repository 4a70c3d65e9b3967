// History (.msg), latest-contact and list (.dat) files on a temporary folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "HistoryFiles.h"
#include "HostPorts.h"
#include "TempFolder.h"
#include "TestMessages.h"

namespace {

using engine::EngineVariant;
using engine::FileOpen;
using engine::HistoryFiles;
using enginetest::Bytes;
using enginetest::ReadBytes;
using enginetest::TempFolder;
using enginetest::WriteBytes;

// ---------------------------------------------------------------------------
// A file system whose writes can be made to fail: the n-th write from now on
// writes half of its bytes and reports that.
// ---------------------------------------------------------------------------

class FaultyFileSystem : public engine::IFileSystem {
public:
    explicit FaultyFileSystem(engine::IFileSystem& inner) : inner_(inner) {}
    void FailWrite(int n) { failAt_ = n; }

    std::unique_ptr<engine::IFile> Open(const std::wstring& path, FileOpen mode) override {
        auto file = inner_.Open(path, mode);
        if (!file) return nullptr;
        return std::make_unique<File>(std::move(file), *this);
    }
    bool CreateFolders(const std::wstring& path) override { return inner_.CreateFolders(path); }
    bool Delete(const std::wstring& path) override { return inner_.Delete(path); }
    bool Copy(const std::wstring& from, const std::wstring& to) override { return inner_.Copy(from, to); }
    bool Rename(const std::wstring& from, const std::wstring& to) override {
        return inner_.Rename(from, to);
    }
    bool Exists(const std::wstring& path) override { return inner_.Exists(path); }

private:
    class File : public engine::IFile {
    public:
        File(std::unique_ptr<engine::IFile> inner, FaultyFileSystem& owner)
            : inner_(std::move(inner)), owner_(owner) {}
        int64_t Size() override { return inner_->Size(); }
        size_t ReadAt(int64_t offset, void* buffer, size_t count) override {
            return inner_->ReadAt(offset, buffer, count);
        }
        size_t WriteAt(int64_t offset, const void* data, size_t count) override {
            if (owner_.failAt_ > 0 && --owner_.failAt_ == 0) {
                return inner_->WriteAt(offset, data, count / 2);
            }
            return inner_->WriteAt(offset, data, count);
        }
        bool Truncate(int64_t size) override { return inner_->Truncate(size); }
        bool StillAt(const std::wstring& path) override { return inner_->StillAt(path); }

    private:
        std::unique_ptr<engine::IFile> inner_;
        FaultyFileSystem& owner_;
    };

    engine::IFileSystem& inner_;
    int failAt_ = 0;
};

// ---------------------------------------------------------------------------
// Records and files
// ---------------------------------------------------------------------------

constexpr int32_t kOwn = 1;
constexpr int32_t kDate = 20261210;
constexpr int32_t kTime = 95539000;  // 09:55:39.000

using enginetest::TextMsg;

struct MsgFile {
    bool ok = false;
    MsgFileHeader header{};
    std::vector<MsgRecordHead> heads;
    std::vector<std::string> texts;
    size_t size = 0;
};

// Parses a history file, every length checked against the bytes read.
MsgFile ParseMsgFile(engine::IFileSystem& files, const std::wstring& path) {
    MsgFile out;
    const std::string bytes = ReadBytes(files, path);
    out.size = bytes.size();
    if (bytes.size() < sizeof(MsgFileHeader)) return out;
    std::memcpy(&out.header, bytes.data(), sizeof(out.header));
    size_t at = sizeof(MsgFileHeader);
    while (at < bytes.size()) {
        MsgRecordHead head{};
        if (bytes.size() - at < sizeof(head)) return out;
        std::memcpy(&head, bytes.data() + at, sizeof(head));
        at += sizeof(head);
        const size_t rest = static_cast<size_t>(head.extraLength) + static_cast<size_t>(head.textLength);
        if (head.extraLength < 0 || head.textLength < 0 || bytes.size() - at < rest) return out;
        out.heads.push_back(head);
        out.texts.push_back(bytes.substr(at + head.extraLength, head.textLength));
        at += rest;
    }
    out.ok = true;
    return out;
}

bool AllZero(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) {
        if (p[i] != 0) return false;
    }
    return true;
}

std::string MsgHeaderBytes(int32_t date, int32_t time, int32_t count, int32_t marker) {
    MsgFileHeader header{};
    header.newestDate = date;
    header.newestTime = time;
    header.count = count;
    header.marker = marker;
    return Bytes(&header, sizeof header);
}

std::string LatestContactBytes(int32_t date, int32_t time, int32_t count,
                               const std::vector<LatestContactRecord>& records) {
    LatestContactHeader header{};
    header.date = date;
    header.time = time;
    header.count = count;
    std::string bytes = Bytes(&header, sizeof header);
    for (const auto& r : records) bytes += Bytes(&r, sizeof r);
    return bytes;
}

struct LatestContacts {
    LatestContactHeader header{};
    std::vector<LatestContactRecord> records;  // every whole record in the file
};

LatestContacts ParseLatestContacts(engine::IFileSystem& files, const std::wstring& path) {
    LatestContacts out;
    const std::string bytes = ReadBytes(files, path);
    if (bytes.size() < sizeof out.header) return out;
    std::memcpy(&out.header, bytes.data(), sizeof out.header);
    for (size_t at = sizeof out.header; bytes.size() - at >= sizeof(LatestContactRecord);
         at += sizeof(LatestContactRecord)) {
        LatestContactRecord r{};
        std::memcpy(&r, bytes.data() + at, sizeof r);
        out.records.push_back(r);
    }
    return out;
}

class HistoryFilesTest : public ::testing::Test {
protected:
    std::wstring Root() const { return temp.Path(); }
    std::wstring DeskPath(int32_t peer) const {
        return Root() + L"1\\msg\\" + std::to_wstring(peer) + L".msg";
    }
    std::wstring MessengerPath(int32_t peer) const {
        return Root() + L"1\\msg\\" + std::to_wstring(peer) + L"\\" + std::to_wstring(peer) + L".msg";
    }
    std::wstring LatestPath() const { return Root() + L"1\\msg\\latestContact.dat"; }

    TempFolder temp;
    engine::StdFileSystem files;
    HistoryFiles desk{EngineVariant::Desk, files};
    HistoryFiles messenger{EngineVariant::Messenger, files};
};

// ---------------------------------------------------------------------------
// History files
// ---------------------------------------------------------------------------

TEST_F(HistoryFilesTest, ReceivedMessagesAreAppendedInOrderBehindTheHeader) {
    desk.WriteChatRecord(TextMsg(7, kOwn, kDate, kTime, "hello", 0, 55), Root(), false);
    desk.WriteChatRecord(TextMsg(7, kOwn, kDate, kTime + 1000, "second one", 3), Root(), false);

    const MsgFile file = ParseMsgFile(files, DeskPath(7));
    ASSERT_TRUE(file.ok);
    EXPECT_EQ(file.header.newestDate, kDate);
    EXPECT_EQ(file.header.newestTime, kTime + 1000);
    EXPECT_EQ(file.header.zero, 0);
    EXPECT_EQ(file.header.count, 2);
    EXPECT_EQ(file.header.marker, MSG_FILE_MARKER);
    EXPECT_TRUE(AllZero(file.header.reserved, sizeof file.header.reserved));
    EXPECT_EQ(file.size, 128u + 2 * 92 + 5 + 10);  // texts without NUL

    ASSERT_EQ(file.heads.size(), 2u);
    const MsgRecordHead& first = file.heads[0];
    EXPECT_EQ(first.type, 0);
    EXPECT_EQ(first.date, kDate);
    EXPECT_EQ(first.time, kTime);
    EXPECT_EQ(first.senderId, 7);
    EXPECT_EQ(first.receiverId, kOwn);
    EXPECT_EQ(first.extraId, 55);  // the desk keeps the extra id
    EXPECT_EQ(first.textLength, 5);
    EXPECT_EQ(first.minusOne, -1);
    EXPECT_EQ(first.extraLength, 0);
    EXPECT_TRUE(AllZero(first.reserved, sizeof first.reserved));
    EXPECT_EQ(file.heads[1].type, 3);
    EXPECT_EQ(file.texts[0], "hello");
    EXPECT_EQ(file.texts[1], "second one");
}

TEST_F(HistoryFilesTest, SentMessageIsFiledUnderTheSenderAndLeavesLatestContactsAlone) {
    desk.WriteChatRecord(TextMsg(kOwn, 7, kDate, kTime, "to seven"), Root(), true);
    const MsgFile file = ParseMsgFile(files, DeskPath(7));
    ASSERT_TRUE(file.ok);
    ASSERT_EQ(file.heads.size(), 1u);
    EXPECT_EQ(file.heads[0].senderId, kOwn);
    EXPECT_EQ(file.texts[0], "to seven");
    EXPECT_FALSE(files.Exists(LatestPath()));
    EXPECT_FALSE(files.Exists(Root() + L"7\\msg\\1.msg"));
}

TEST_F(HistoryFilesTest, DeskWritesOnlyRecordsNewerThanTheFilesNewest) {
    const struct {
        const char* name;
        int32_t date, time;
        bool written;
    } cases[] = {
        {"same date and time", kDate, kTime, false},
        {"same date, earlier time", kDate, kTime - 1, false},
        {"earlier date, later time", kDate - 1, kTime + 1000, false},
        {"same date, later time", kDate, kTime + 1, true},
        {"later date, earlier time", kDate + 1, 1000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring path = DeskPath(7);
        files.Delete(path);
        ASSERT_TRUE(desk.AppendMsgRecord(TextMsg(7, kOwn, kDate, kTime, "first"), path));
        EXPECT_EQ(desk.AppendMsgRecord(TextMsg(7, kOwn, c.date, c.time, "next"), path), c.written);

        const MsgFile file = ParseMsgFile(files, path);
        ASSERT_TRUE(file.ok);
        EXPECT_EQ(file.header.count, c.written ? 2 : 1);
        EXPECT_EQ(file.heads.size(), c.written ? 2u : 1u);
        EXPECT_EQ(file.header.newestDate, c.written ? c.date : kDate);
        EXPECT_EQ(file.header.newestTime, c.written ? c.time : kTime);
    }
}

// A live message is stamped by its sender's clock, which may lag the
// server's: the desk keeps it even when it is older than the file's newest
// record, and the header goes on naming the newest.
TEST_F(HistoryFilesTest, DeskKeepsLiveMessagesOlderThanTheFilesNewest) {
    desk.WriteChatRecord(TextMsg(kOwn, 7, kDate, kTime, "ack stamped by the server"), Root(), true);
    desk.WriteChatRecord(TextMsg(7, kOwn, kDate, kTime - 5, "reply stamped by a slow clock"), Root(), false);
    desk.WriteChatRecord(TextMsg(7, kOwn, kDate, kTime, "same moment"), Root(), false);

    const MsgFile file = ParseMsgFile(files, DeskPath(7));
    ASSERT_TRUE(file.ok);
    ASSERT_EQ(file.heads.size(), 3u);
    EXPECT_EQ(file.header.count, 3);
    EXPECT_EQ(file.texts[1], "reply stamped by a slow clock");
    EXPECT_EQ(file.header.newestDate, kDate);
    EXPECT_EQ(file.header.newestTime, kTime);

    // A record fetched from the archive still has to be newer.
    EXPECT_FALSE(desk.AppendMsgRecord(TextMsg(7, kOwn, kDate, kTime - 1, "archive copy"), DeskPath(7)));
    EXPECT_EQ(ParseMsgFile(files, DeskPath(7)).heads.size(), 3u);
}

TEST_F(HistoryFilesTest, MessengerAppendsEveryRecordInAFolderPerPeer) {
    messenger.WriteChatRecord(TextMsg(42, kOwn, kDate, kTime, "new", 0, 99), Root(), false);
    // Older than the newest, and then the same time again: both appended.
    messenger.WriteChatRecord(TextMsg(42, kOwn, kDate - 1, kTime, "older", 0, 99), Root(), false);
    messenger.WriteChatRecord(TextMsg(kOwn, 42, kDate - 1, kTime, "reply"), Root(), true);

    EXPECT_FALSE(files.Exists(DeskPath(42)));
    const MsgFile file = ParseMsgFile(files, MessengerPath(42));
    ASSERT_TRUE(file.ok);
    EXPECT_EQ(file.header.count, 3);
    EXPECT_EQ(file.header.newestDate, kDate - 1);  // the last record's
    EXPECT_EQ(file.header.newestTime, kTime);
    ASSERT_EQ(file.texts.size(), 3u);
    EXPECT_EQ(file.texts[1], "older");
    EXPECT_EQ(file.heads[0].extraId, 0);  // written as 0 by this build
    EXPECT_EQ(file.heads[1].extraId, 0);
    EXPECT_EQ(messenger.ChatHistoryPath(Root(), kOwn, 42), MessengerPath(42));
    EXPECT_EQ(desk.ChatHistoryPath(Root(), kOwn, 42), DeskPath(42));

    const LatestContacts latest = ParseLatestContacts(files, LatestPath());
    ASSERT_EQ(latest.header.count, 1);
    EXPECT_EQ(latest.records[0].peerId, 42);
}

TEST_F(HistoryFilesTest, TextLengthComesFromTheBoundedTextField) {
    struct Case {
        std::string text;
        int32_t length;
    };
    const Case cases[] = {{"", 0}, {std::string(1023, 'x'), 1023}, {std::string(1024, 'y'), 1024}};
    int32_t time = kTime;
    for (const Case& c : cases) {
        TextMsgRecord msg = TextMsg(7, kOwn, kDate, ++time, "");
        std::memcpy(msg.text, c.text.data(), c.text.size());  // 1024 bytes: no NUL at all
        ASSERT_TRUE(desk.AppendMsgRecord(msg, DeskPath(7)));
    }
    const MsgFile file = ParseMsgFile(files, DeskPath(7));
    ASSERT_TRUE(file.ok);
    ASSERT_EQ(file.heads.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(file.heads[i].textLength, cases[i].length);
        EXPECT_EQ(file.texts[i], cases[i].text);
    }
}

TEST_F(HistoryFilesTest, DamagedHistoryIsMovedAsideNotLost) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"marker 21", MsgHeaderBytes(kDate, kTime, 1, 21) + std::string(97, 'r')},
        {"header cut short", MsgHeaderBytes(kDate, kTime, 1, 20).substr(0, 60)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::wstring root = folder.Path();
        const std::wstring path = root + L"1\\msg\\7.msg";
        const std::wstring mpath = root + L"1\\msg\\7\\7.msg";

        // Desk: the file goes aside and the record is not written.
        ASSERT_TRUE(WriteBytes(files, path, c.bytes));
        EXPECT_FALSE(desk.AppendMsgRecord(TextMsg(7, kOwn, kDate + 1, kTime, "lost here"), path));
        EXPECT_FALSE(files.Exists(path));
        EXPECT_EQ(ReadBytes(files, path + L".bad"), c.bytes);

        // A second damaged file does not replace the first one set aside.
        ASSERT_TRUE(WriteBytes(files, path, c.bytes + "2"));
        EXPECT_FALSE(desk.AppendMsgRecord(TextMsg(7, kOwn, kDate + 1, kTime, "lost here"), path));
        EXPECT_EQ(ReadBytes(files, path + L".bad"), c.bytes);
        EXPECT_EQ(ReadBytes(files, path + L".1.bad"), c.bytes + "2");

        // Messenger: the file goes aside and a new one holds the record.
        ASSERT_TRUE(WriteBytes(files, mpath, c.bytes));
        EXPECT_TRUE(messenger.AppendMsgRecord(TextMsg(7, kOwn, kDate, kTime, "kept"), mpath));
        EXPECT_EQ(ReadBytes(files, mpath + L".bad"), c.bytes);
        const MsgFile file = ParseMsgFile(files, mpath);
        ASSERT_TRUE(file.ok);
        EXPECT_EQ(file.header.count, 1);
        EXPECT_EQ(file.texts, std::vector<std::string>{"kept"});
    }
}

TEST_F(HistoryFilesTest, CountBeyondWhatTheFileHoldsIsCut) {
    const std::wstring path = DeskPath(7);
    ASSERT_TRUE(WriteBytes(files, path, MsgHeaderBytes(kDate, kTime, 0x7FFFFFFF, 20)));
    ASSERT_TRUE(desk.AppendMsgRecord(TextMsg(7, kOwn, kDate, kTime + 1, "x"), path));
    EXPECT_EQ(ParseMsgFile(files, path).header.count, 1);

    ASSERT_TRUE(WriteBytes(files, path, MsgHeaderBytes(kDate, kTime, -5, 20)));
    ASSERT_TRUE(desk.AppendMsgRecord(TextMsg(7, kOwn, kDate, kTime + 1, "x"), path));
    EXPECT_EQ(ParseMsgFile(files, path).header.count, 1);
}

TEST_F(HistoryFilesTest, FailedWriteLeavesTheHistoryAsItWas) {
    // Write 1 of an append is the record, write 2 the header.
    for (int failing : {1, 2}) {
        SCOPED_TRACE(failing);
        const std::wstring path = DeskPath(7);
        files.Delete(path);
        ASSERT_TRUE(desk.AppendMsgRecord(TextMsg(7, kOwn, kDate, kTime, "first"), path));
        const std::string before = ReadBytes(files, path);

        FaultyFileSystem faulty(files);
        HistoryFiles history(EngineVariant::Desk, faulty);
        faulty.FailWrite(failing);
        EXPECT_FALSE(history.AppendMsgRecord(TextMsg(7, kOwn, kDate, kTime + 1, "second"), path));
        EXPECT_EQ(ReadBytes(files, path), before);

        // Into a new file: nothing is left behind that a reader could take for a history.
        const std::wstring fresh = DeskPath(8);
        files.Delete(fresh);
        faulty.FailWrite(failing);
        EXPECT_FALSE(history.AppendMsgRecord(TextMsg(8, kOwn, kDate, kTime, "first"), fresh));
        EXPECT_EQ(ReadBytes(files, fresh), "");
    }
}

TEST_F(HistoryFilesTest, ReadMsgHeader) {
    MsgFileHeader header{};
    EXPECT_FALSE(desk.ReadMsgHeader(DeskPath(7), header));  // missing

    ASSERT_TRUE(desk.AppendMsgRecord(TextMsg(7, kOwn, kDate, kTime, "x"), DeskPath(7)));
    ASSERT_TRUE(desk.ReadMsgHeader(DeskPath(7), header));
    EXPECT_EQ(header.newestDate, kDate);
    EXPECT_EQ(header.newestTime, kTime);
    EXPECT_EQ(header.count, 1);

    const std::string bad = MsgHeaderBytes(kDate, kTime, 1, 21);
    ASSERT_TRUE(WriteBytes(files, DeskPath(8), bad));
    EXPECT_FALSE(desk.ReadMsgHeader(DeskPath(8), header));
    EXPECT_FALSE(files.Exists(DeskPath(8)));
    EXPECT_EQ(ReadBytes(files, DeskPath(8) + L".bad"), bad);

    // An empty file holds nothing to keep: reported as missing, left in place.
    ASSERT_TRUE(WriteBytes(files, DeskPath(9), ""));
    EXPECT_FALSE(desk.ReadMsgHeader(DeskPath(9), header));
    EXPECT_TRUE(files.Exists(DeskPath(9)));
    EXPECT_FALSE(files.Exists(DeskPath(9) + L".bad"));
}

// ---------------------------------------------------------------------------
// latestContact.dat
// ---------------------------------------------------------------------------

TEST_F(HistoryFilesTest, LatestContactOfAKnownPeerIsUpdatedInPlace) {
    LatestContactRecord seven{7, 1, kDate - 2, 80000};
    LatestContactRecord nine{9, 3, kDate - 1, 90000};  // its +4 word stays as it is
    ASSERT_TRUE(WriteBytes(files, LatestPath(), LatestContactBytes(kDate - 1, 90000, 2, {seven, nine})));

    desk.WriteChatRecord(TextMsg(9, kOwn, kDate, kTime, "from nine"), Root(), false);

    LatestContacts latest = ParseLatestContacts(files, LatestPath());
    EXPECT_EQ(latest.header.count, 2);
    EXPECT_EQ(latest.header.date, kDate);
    EXPECT_EQ(latest.header.time, 95539);  // the message time as hhmmss
    ASSERT_EQ(latest.records.size(), 2u);
    EXPECT_EQ(latest.records[0].peerId, 7);
    EXPECT_EQ(latest.records[0].date, kDate - 2);
    EXPECT_EQ(latest.records[1].peerId, 9);
    EXPECT_EQ(latest.records[1].one, 3);
    EXPECT_EQ(latest.records[1].date, kDate);
    EXPECT_EQ(latest.records[1].time, 95539);

    // A new peer is added at the end.
    desk.WriteChatRecord(TextMsg(11, kOwn, kDate, kTime + 5000, "from eleven"), Root(), false);
    latest = ParseLatestContacts(files, LatestPath());
    EXPECT_EQ(latest.header.count, 3);
    ASSERT_EQ(latest.records.size(), 3u);
    EXPECT_EQ(latest.records[2].peerId, 11);
    EXPECT_EQ(latest.records[2].one, 1);
    EXPECT_EQ(latest.records[2].time, 95544);
}

TEST_F(HistoryFilesTest, FirstLatestContactStartsTheFile) {
    desk.WriteChatRecord(TextMsg(7, kOwn, kDate, kTime, "x"), Root(), false);
    const LatestContacts latest = ParseLatestContacts(files, LatestPath());
    EXPECT_EQ(latest.header.count, 1);
    EXPECT_EQ(latest.header.date, kDate);
    EXPECT_EQ(latest.header.time, 95539);
    EXPECT_TRUE(AllZero(latest.header.reserved, sizeof latest.header.reserved));
    ASSERT_EQ(latest.records.size(), 1u);
    EXPECT_EQ(latest.records[0].peerId, 7);
    EXPECT_EQ(latest.records[0].one, 1);
}

TEST_F(HistoryFilesTest, LatestContactCountIsCutToTheRecordsTheFileHolds) {
    const struct {
        const char* name;
        int32_t count;
        std::string tail;
    } cases[] = {
        {"huge count", 0x7FFFFFFF, ""},
        {"negative count", -3, ""},
        {"half a record after the last", 1, "12345678"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LatestContactRecord seven{7, 1, kDate, 80000};
        ASSERT_TRUE(WriteBytes(files, LatestPath(),
                               LatestContactBytes(kDate, 80000, c.count, {seven}) + c.tail));
        desk.UpdateLatestContact({9, 1, kDate, 90000}, LatestPath());
        const LatestContacts latest = ParseLatestContacts(files, LatestPath());
        const int32_t expected = c.count < 0 ? 1 : 2;  // a negative count holds none
        EXPECT_EQ(latest.header.count, expected);
        ASSERT_GE(latest.records.size(), static_cast<size_t>(expected));
        EXPECT_EQ(latest.records[expected - 1].peerId, 9);
    }
}

TEST_F(HistoryFilesTest, LatestContactsWithAHeaderCutShortAreMovedAside) {
    const std::string damaged = LatestContactBytes(kDate, 80000, 1, {}).substr(0, 40);
    ASSERT_TRUE(WriteBytes(files, LatestPath(), damaged));
    desk.UpdateLatestContact({9, 1, kDate, 90000}, LatestPath());
    EXPECT_EQ(ReadBytes(files, LatestPath() + L".bad"), damaged);
    const LatestContacts latest = ParseLatestContacts(files, LatestPath());
    EXPECT_EQ(latest.header.count, 1);
    ASSERT_EQ(latest.records.size(), 1u);
    EXPECT_EQ(latest.records[0].peerId, 9);
}

// ---------------------------------------------------------------------------
// List files
// ---------------------------------------------------------------------------

DatFileHeader DatHeader(int32_t recordSize, int32_t count) {
    DatFileHeader header{};
    header.kind = DAT_FILE_KIND;
    header.createDate = kDate;
    header.createTime = 95539;
    header.changeDate = kDate;
    header.changeTime = 95539;
    header.recordSize = recordSize;
    header.recordCount = count;
    return header;
}

std::vector<CategoryRecord> Categories(int n) {
    std::vector<CategoryRecord> records(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        records[i].id = i + 1;
        records[i].order = 10 - i;
        std::snprintf(records[i].name, sizeof records[i].name, "group %d", i + 1);
    }
    return records;
}

const std::wstring kFriendType = L"1\\friendType.dat";

TEST_F(HistoryFilesTest, ListFileRoundTrip) {
    const auto records = Categories(3);
    const DatFileHeader header = DatHeader(32, 3);
    ASSERT_EQ(desk.WriteDatFile(Root(), kFriendType, header, records.data(), 96), 1);
    EXPECT_EQ(ReadBytes(files, Root() + kFriendType).size(), 128u + 96);

    DatFileHeader read{};
    ASSERT_EQ(desk.ReadDatHeader(Root(), kFriendType, read), 0);
    EXPECT_EQ(std::memcmp(&read, &header, sizeof header), 0);

    CategoryRecord second{};
    ASSERT_EQ(desk.ReadDatRecords(Root(), kFriendType, 128 + 32, &second, sizeof second), 0);
    EXPECT_EQ(second.id, 2);
    EXPECT_STREQ(second.name, "group 2");

    const auto list = desk.ReadDatList<CategoryRecord>(Root(), kFriendType);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_STREQ(list[2].name, "group 3");

    EXPECT_TRUE(desk.DeleteDatFile(Root(), kFriendType));
    EXPECT_FALSE(files.Exists(Root() + kFriendType));
    EXPECT_FALSE(desk.DeleteDatFile(Root(), kFriendType));
}

TEST_F(HistoryFilesTest, ListRewrittenWithFewerRecordsKeepsItsLengthAndTheHeaderCountDecides) {
    const auto three = Categories(3);
    ASSERT_EQ(desk.WriteDatFile(Root(), kFriendType, DatHeader(32, 3), three.data(), 96), 1);
    const auto one = Categories(1);
    ASSERT_EQ(desk.WriteDatFile(Root(), kFriendType, DatHeader(32, 1), one.data(), 32), 1);

    EXPECT_EQ(ReadBytes(files, Root() + kFriendType).size(), 128u + 96);
    DatFileHeader read{};
    ASSERT_EQ(desk.ReadDatHeader(Root(), kFriendType, read), 0);
    EXPECT_EQ(read.recordCount, 1);
    EXPECT_EQ(desk.ReadDatList<CategoryRecord>(Root(), kFriendType).size(), 1u);
}

TEST_F(HistoryFilesTest, ListReadErrorCodes) {
    const std::wstring missing = L"1\\missing.dat";
    const std::wstring shortFile = L"1\\short.dat";
    const std::wstring good = L"1\\good.dat";
    const auto records = Categories(2);
    ASSERT_EQ(desk.WriteDatFile(Root(), good, DatHeader(32, 2), records.data(), 64), 1);
    const std::string shortBytes(50, 'h');

    DatFileHeader header{};
    CategoryRecord record{};
    const struct {
        const char* name;
        HistoryFiles* history;
        bool readHeader;  // else records of `record`'s size at `offset`
        std::wstring relative;
        int64_t offset;
        size_t count;
        int expected;
    } cases[] = {
        {"desk header, missing", &desk, true, missing, 0, 0, ERR_DAT_OPEN_HEADER},
        {"desk header, short", &desk, true, shortFile, 0, 0, ERR_DAT_READ_HEADER},
        {"messenger header, missing", &messenger, true, missing, 0, 0, ERR_DAT_OPEN_DATA},
        {"messenger header, short", &messenger, true, shortFile, 0, 0, ERR_DAT_IO},
        {"records, zero bytes", &desk, false, good, 128, 0, ERR_DAT_SIZE},
        {"records, missing", &desk, false, missing, 128, sizeof record, ERR_DAT_OPEN_DATA},
        {"records, past the end", &desk, false, good, 128 + 64, sizeof record, ERR_DAT_IO},
        {"records, partly past the end", &desk, false, good, 128 + 48, sizeof record, ERR_DAT_IO},
        {"records, negative offset", &desk, false, good, -32, sizeof record, ERR_DAT_IO},
        {"records, in the file", &messenger, false, good, 128 + 32, sizeof record, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteBytes(files, Root() + shortFile, shortBytes));
        const int result = c.readHeader
                               ? c.history->ReadDatHeader(Root(), c.relative, header)
                               : c.history->ReadDatRecords(Root(), c.relative, c.offset, &record, c.count);
        EXPECT_EQ(result, c.expected);
        if (c.relative == shortFile) {
            // Part of a header is kept aside; the next write starts anew.
            EXPECT_FALSE(files.Exists(Root() + shortFile));
            EXPECT_EQ(ReadBytes(files, Root() + shortFile + L".bad"), shortBytes);
            files.Delete(Root() + shortFile + L".bad");
        }
    }
    EXPECT_EQ(record.id, 2);
}

TEST_F(HistoryFilesTest, ListHeaderRewrite) {
    const auto records = Categories(2);
    ASSERT_EQ(desk.WriteDatFile(Root(), kFriendType, DatHeader(32, 2), records.data(), 64), 1);

    DatFileHeader changed = DatHeader(32, 2);
    changed.changeDate = kDate + 1;
    EXPECT_EQ(desk.WriteDatHeader(Root(), kFriendType, changed), 0);
    DatFileHeader read{};
    ASSERT_EQ(desk.ReadDatHeader(Root(), kFriendType, read), 0);
    EXPECT_EQ(read.changeDate, kDate + 1);
    EXPECT_EQ(desk.ReadDatList<CategoryRecord>(Root(), kFriendType).size(), 2u);  // records kept

    EXPECT_EQ(desk.WriteDatHeader(Root(), L"1\\missing.dat", changed), ERR_DAT_OPEN_DATA);
    EXPECT_FALSE(files.Exists(Root() + L"1\\missing.dat"));

    FaultyFileSystem faulty(files);
    HistoryFiles history(EngineVariant::Desk, faulty);
    faulty.FailWrite(1);
    EXPECT_EQ(history.WriteDatHeader(Root(), kFriendType, changed), ERR_DAT_IO);
    faulty.FailWrite(1);  // the records
    EXPECT_EQ(history.WriteDatFile(Root(), kFriendType, changed, records.data(), 64), 0);
    faulty.FailWrite(2);  // the header
    EXPECT_EQ(history.WriteDatFile(Root(), kFriendType, changed, records.data(), 64), 0);
}

TEST_F(HistoryFilesTest, ListCountIsCutToTheWholeRecordsTheFileHolds) {
    const auto records = Categories(2);
    const std::string body = Bytes(records.data(), 64);
    const struct {
        const char* name;
        DatFileHeader header;
        std::string records;
        size_t expected;
    } cases[] = {
        {"count 2^31-1", DatHeader(32, 0x7FFFFFFF), body, 2},
        {"half a record at the end", DatHeader(32, 3), body + std::string(16, 'z'), 2},
        {"other record size", DatHeader(36, 2), body, 0},
        {"negative count", DatHeader(32, -1), body, 0},
        {"header only", DatHeader(32, 5), "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteBytes(files, Root() + kFriendType, Bytes(&c.header, sizeof c.header) + c.records));
        const auto list = desk.ReadDatList<CategoryRecord>(Root(), kFriendType);
        ASSERT_EQ(list.size(), c.expected);
        if (!list.empty()) {
            EXPECT_STREQ(list[1].name, "group 2");
        }
    }
    EXPECT_TRUE(desk.ReadDatList<CategoryRecord>(Root(), L"1\\missing.dat").empty());
}

template <class T>
size_t RoundTripOne(HistoryFiles& history, const std::wstring& root, const std::wstring& relative) {
    T record{};
    std::memset(&record, 0x5A, sizeof record);
    const DatFileHeader header = DatHeader(static_cast<int32_t>(sizeof(T)), 1);
    if (history.WriteDatFile(root, relative, header, &record, sizeof record) != 1) return 0;
    const std::vector<T> list = history.ReadDatList<T>(root, relative);
    if (list.size() != 1 || std::memcmp(&list[0], &record, sizeof record) != 0) return 0;
    return list.size();
}

TEST_F(HistoryFilesTest, EveryListRecordTypeReadsBack) {
    const std::wstring folder = L"1\\MyGroup\\5\\";  // folders are created on the way
    EXPECT_EQ(RoundTripOne<UserInfoBase>(desk, Root(), folder + L"userlist.dat"), 1u);
    EXPECT_EQ(RoundTripOne<CategoryRecord>(desk, Root(), folder + L"friendType.dat"), 1u);
    EXPECT_EQ(RoundTripOne<GroupUserRecord>(desk, Root(), L"1\\groupUserList.dat"), 1u);
    EXPECT_EQ(RoundTripOne<TalkListRecord>(desk, Root(), folder + L"talkList.dat"), 1u);
    EXPECT_EQ(RoundTripOne<FriendUpdateRecord>(desk, Root(), folder + L"friendUpdate.dat"), 1u);
}

}  // namespace

// ---------------------------------------------------------------------------
// Batches: the files end byte for byte as with one call per record
// ---------------------------------------------------------------------------

namespace {

struct BatchStep {
    int32_t peer;  // a received message from this peer (history and latest contacts)
    int32_t time;
};

}  // namespace

TEST_F(HistoryFilesTest, BatchEndsWithTheSameFilesAsOneCallEach) {
    const struct {
        const char* what;
        std::string existing;  // the history with peer 7 before (empty: none)
        std::vector<BatchStep> steps;
    } cases[] = {
        {"new files, two peers interleaved", "", {{7, kTime}, {9, kTime}, {7, kTime + 1000}, {9, kTime + 5}}},
        {"older and equal records among newer ones", "",
         {{7, kTime + 3000}, {7, kTime + 1000}, {7, kTime + 3000}, {7, kTime + 4000}}},
        {"an existing history", MsgHeaderBytes(kDate, kTime + 2000, 0, 20), {{7, kTime + 1000}, {7, kTime + 3000}}},
        {"a damaged history", MsgHeaderBytes(kDate, kTime, 1, 21) + std::string(97, 'r'),
         {{7, kTime + 1000}, {7, kTime + 2000}, {7, kTime + 3000}}},
    };
    for (const auto& c : cases) {
        for (EngineVariant variant : {EngineVariant::Desk, EngineVariant::Messenger}) {
            SCOPED_TRACE(std::string(c.what) + (variant == EngineVariant::Desk ? ", desk" : ", messenger"));
            TempFolder one, batch;
            HistoryFiles single(variant, files), batched(variant, files);
            auto history = [&](const TempFolder& f, int32_t peer) { return single.ChatHistoryPath(f.Path(), kOwn, peer); };
            if (!c.existing.empty()) {
                ASSERT_TRUE(WriteBytes(files, history(one, 7), c.existing));
                ASSERT_TRUE(WriteBytes(files, history(batch, 7), c.existing));
            }
            batched.BeginBatch();
            for (const BatchStep& s : c.steps) {
                const TextMsgRecord msg = TextMsg(s.peer, kOwn, kDate, s.time, "text of the message");
                single.WriteChatRecord(msg, one.Path(), false);
                batched.WriteChatRecord(msg, batch.Path(), false);
            }
            EXPECT_EQ(batched.Pending(), 2 * c.steps.size()) << "nothing written before the end";
            batched.EndBatch();
            EXPECT_EQ(batched.Pending(), 0u);
            for (int32_t peer : {7, 9}) {
                EXPECT_EQ(ReadBytes(files, history(batch, peer)), ReadBytes(files, history(one, peer))) << peer;
                EXPECT_EQ(ReadBytes(files, history(batch, peer) + L".bad"), ReadBytes(files, history(one, peer) + L".bad"));
            }
            EXPECT_EQ(ReadBytes(files, HistoryFiles::LatestContactPath(batch.Path(), kOwn)),
                      ReadBytes(files, HistoryFiles::LatestContactPath(one.Path(), kOwn)));
        }
    }
}

TEST_F(HistoryFilesTest, AReadInsideABatchSeesWhatTheBatchKept) {
    desk.BeginBatch();
    desk.AppendMsgRecord(TextMsg(7, kOwn, kDate, kTime, "kept"), DeskPath(7));
    MsgFileHeader header{};
    ASSERT_TRUE(desk.ReadMsgHeader(DeskPath(7), header));
    EXPECT_EQ(header.count, 1);
    EXPECT_EQ(desk.Pending(), 0u);
    desk.EndBatch();
}
