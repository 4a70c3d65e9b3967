// CSystemSettingModel: what the settings panel decides, without a window.
// It changes the settings object in place (every change counts at once, as
// the panel's controls change) and remembers whether anything changed since
// the last save, the selected automatic reply, and the rules of the list:
// at most eight replies, and an empty list is never saved.
//
// Saving writes the settings file; discarding reads the file again, so
// that changes the user chose not to keep are not written later by another
// save (the program saves the settings when it exits).
//
// UI thread only.
#pragma once

#include "clientui/ClientSettings.h"

#include <string>

class CSystemSettingModel {
public:
    static constexpr int kMaxAutoReplies = 8;

    enum class SaveOutcome {
        Saved,           // the file was written
        NothingChanged,  // nothing to write
        EmptyList,       // refused: "不能自动回复空内容！"
    };

    explicit CSystemSettingModel(CClientSettings& settings);

    CClientSettings& Settings() { return m_settings; }
    const CClientSettings& Settings() const { return m_settings; }

    // Takes the selection from the settings (the reply iListIndex when it is
    // in the list, else none) and clears the changed mark.
    void Reset();

    bool IsChanged() const { return m_changed; }
    void MarkChanged() { m_changed = true; }

    // --- options (each marks changed) -------------------------------------
    void SetAutoReply(bool on);
    void SetPopUp(bool on);
    // 1 the default sound, 0 no sound.
    void SetSound(int choice);
    // The status to take after log-on (the combo's index).
    void SetState(int state);
    void SetSoundPath(const std::wstring& path);

    // --- the automatic replies ----------------------------------------------
    int ReplyCount() const { return static_cast<int>(m_settings.autoReplies.size()); }
    // The selected row; -1 when none.
    int Selected() const { return m_selected; }
    // A click on the list: row is the clicked row or -1 (no row). A row
    // becomes iListIndex. Marks changed.
    void Select(int row);
    // Whether one more reply may be added (fewer than eight).
    bool CanAdd() const { return ReplyCount() < kMaxAutoReplies; }
    // Appends a reply; false (nothing changed) when the list is full or the
    // text is empty.
    bool Add(const std::wstring& text);
    // Replaces the text of the selected reply; false when none is selected
    // or the text is empty.
    bool ModifySelected(const std::wstring& text);
    // Removes the selected reply. The selection moves to the previous row,
    // or stays on the first while rows remain; an emptied list switches
    // automatic replies off. False when none is selected.
    bool DeleteSelected();

    // --- saving ---------------------------------------------------------------
    // OK and Apply: refused for an empty list; else the file is written when
    // anything changed, and the changed mark is cleared.
    SaveOutcome Save();
    // "No" to the save question: the settings are read from the file again
    // and the changed mark is cleared.
    void Discard();

private:
    void SyncCount();

    CClientSettings& m_settings;
    bool m_changed = false;
    int m_selected = -1;
};
