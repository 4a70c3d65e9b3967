// CChatLogEdit: the read-only rich-edit log of a conversation window. It
// appends one message at a time, each with its header line and its font,
// turns the message's picture tag into a picture object, keeps at most 60
// messages, and opens clicked web and mail links.
//
// Pictures live in "<program folder><own id>\Image\<name>". A picture that is
// not on disk yet shows "Resource\chat\sendingBmp.gif" while the download
// queue fetches it (SwapArrivedPictures puts the picture in its place once
// the file is there); a log without a download queue (a history view) shows
// "Resource\chat\errorBmp.gif" instead and fetches nothing, and so does a
// file that arrived but is not a picture, a name that breaks the file-name
// rule (PictureName.h) and a download that the queue gave up.
//
// The log owns the PictureObjectInfo records of the pictures it shows; a
// record goes when its message leaves the log or the log goes.
//
// Messages that arrive together are appended as one batch (CBatch, or
// BeginBatch and EndBatch): while a batch is open the log is not redrawn and
// neither scrolled nor trimmed message by message; when the outermost batch
// ends, the oldest messages beyond the limit leave in one deletion, the log
// scrolls to its end once and is redrawn once. Every single append is a
// batch of its own, so a lone message is drawn once as well.
#pragma once

#include "clientui/MyRichEditCtrl.h"
#include "clientui/PictureDownloadQueue.h"

#include "MessageParser.h"
#include "SystemAnsiCodePage.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

class CChatLogEdit : public CMyRichEditCtrl {
public:
    static constexpr size_t kMaxEntries = 60;
    static constexpr LONG kHeaderIndent = 60;  // twips
    static constexpr LONG kBodyIndent = 300;   // twips

    CChatLogEdit();
    ~CChatLogEdit() override;

    // Where pictures are and who fetches the missing ones (null: nobody, as
    // in the history views). programFolder ends in a backslash.
    void SetPictureSource(const std::wstring& programFolder, int32_t ownUserId, IPictureDownloadQueue* downloads);

    // One message: a header line ending with the first "\r\n", then the body
    // (its format prefix already removed), which may end with a picture tag,
    // then "\r\n". The body is cut at its first "<pic" (CMessageParser);
    // a tag with a position of 0 or more places a picture there.
    void AppendMessage(const wchar_t* text, const CHARFORMATW* headerFormat, const CHARFORMATW* bodyFormat);
    // The same with a message that CMessageParser has taken apart: header is
    // the header line with its "\r\n".
    void AppendMessage(const std::wstring& header, const clientui::ParsedMessage& message,
                       const CHARFORMATW& headerFormat, const CHARFORMATW& bodyFormat);
    // A system notice: "系统提示:\r\n " + notice + "\r\n", in one format. The
    // notice is shown as it is: a picture tag in it stays text.
    void AppendSystemNotice(const std::wstring& notice, const CHARFORMATW& format);
    static std::wstring SystemNoticeText(const std::wstring& notice);

    // A batch of appends (see above); batches nest, the outermost one counts.
    void BeginBatch();
    void EndBatch();
    bool InBatch() const { return m_batchDepth > 0; }
    class CBatch {
    public:
        explicit CBatch(CChatLogEdit& log) : m_log(log) { m_log.BeginBatch(); }
        ~CBatch() { m_log.EndBatch(); }
        CBatch(const CBatch&) = delete;
        CBatch& operator=(const CBatch&) = delete;

    private:
        CChatLogEdit& m_log;
    };

    // Places the picture called name at the current end of the log. A name
    // that is not one plain file name shows the error placeholder.
    void ShowPicture(const std::wstring& name);

    // Replaces every download placeholder whose file has arrived with the
    // picture (or with the error placeholder when the file is not a
    // picture), and every placeholder whose download the queue gave up with
    // the error placeholder. Returns how many were replaced.
    int SwapArrivedPictures();
    // Whether a placeholder still waits for its file.
    bool HasPendingPictures() const;

    // The shown messages' texts, oldest first.
    size_t GetEntryCount() const { return m_entries.size(); }
    const std::wstring& GetEntry(size_t index) const { return m_entries[index].text; }

    std::wstring PicturePath(const std::wstring& name) const;
    std::wstring SkinPicturePath(const wchar_t* file) const;

    // What a clicked link opens: web ("http://", "https://", "www.") and mail
    // ("mailto:") addresses; empty for anything else (programs, local files,
    // shares, other schemes).
    static std::wstring LinkToOpen(const std::wstring& linkText);

protected:
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    bool OnLink(const ENLINK& link);
    virtual void OpenLink(const std::wstring& address);

private:
    struct Entry {
        std::wstring text;
        LONG characters = 0;  // as the rich edit counts them
        std::vector<std::unique_ptr<PictureObjectInfo>> pictures;
    };

    LONG EndPosition();
    void AppendPart(const std::wstring& text, const CHARFORMATW& format, LONG indent);
    void AppendEntry(const std::wstring& wholeText, const std::wstring& header, const clientui::ParsedMessage* message,
                     const std::wstring& plainBody, const CHARFORMATW& headerFormat, const CHARFORMATW& bodyFormat);
    // Removes the oldest entries until at most kMaxEntries remain, with one
    // deletion of their characters from the top of the log.
    void TrimToLimit();
    bool IsOwnPicture(const PictureObjectInfo* info) const;

    clientui::CSystemAnsiCodePage m_codePage;
    clientui::CMessageParser m_parser{m_codePage};
    std::wstring m_programFolder;
    int32_t m_ownUserId = 0;
    IPictureDownloadQueue* m_downloads = nullptr;
    std::deque<Entry> m_entries;
    Entry* m_filling = nullptr;  // the entry being appended
    int m_batchDepth = 0;
    HWND m_batchFocus = nullptr;  // the focus when the outermost batch began
    bool m_batchRedrawOff = false;
};
