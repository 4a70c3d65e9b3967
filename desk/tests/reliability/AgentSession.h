// The agent's Tavrel.exe as the reliability tests drive it: started from a
// copy of the program folder against the stand-in servers (with-desk-server.sh,
// demo organisation), its main window found and put in front, the customer
// tree opened, conversations opened with a real double click on a customer's
// row and closed with a real click on their close button, message boxes
// found and answered. Waits pump the messages of this thread (a customer's
// engine may live here) and have deadlines.
#pragma once

#include "DeskWindows.h"
#include "RealInput.h"
#include "TavrelDriver.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavreltest {

constexpr DWORD kAgentWaitMs = 30000;

// The agent 周宁 (50002); her customers 刘洋 (60004) and 赵磊 (60006).
constexpr int32_t kSoakAgent = 50002;
constexpr int32_t kSoakCustomer = 60006;
constexpr int32_t kOtherCustomer = 60004;

class CAgentSession {
public:
    // pump: called while waiting (a customer's engine on this thread).
    explicit CAgentSession(std::function<void(DWORD)> pump = nullptr) : m_pump(std::move(pump)) {}
    ~CAgentSession();

    // Starts the agent from the program folder (its scrambled server entry
    // and settings written first unless keepFiles) and waits for the main
    // window's customer tree with both customers; the window is put in front.
    bool Start(const std::wstring& programFolder, bool popUp = false, bool keepFiles = false);
    // After a failed Start: the step that did not come about.
    const char* StartFailure() const { return m_startFailure; }
    // Ends the program (instance-control message, then waits).
    bool Stop();

    bool Wait(const std::function<bool()>& ready, DWORD ms = kAgentWaitMs);
    void Pump(DWORD ms);

    CTavrelProcess& Process() { return m_process; }
    HWND Main() const { return m_main; }
    HWND Tree() const { return m_tree; }
    bool Responsive(DWORD ms = 5000) const;

    // Opens the customers' group with a real click on its row.
    bool ExpandCustomers();
    // A real double click on the customer's row; the conversation shown.
    Conversation Open(int32_t customer);
    // A real click on the conversation's close button; true once it is gone.
    bool Close(const Conversation& chat);
    // A real click into the conversation's input; true once it has the focus.
    bool FocusInput(const Conversation& chat);
    // The input's text as the program holds it.
    std::wstring InputText(const Conversation& chat) const;

    // The visible message boxes of the program (dialogs with a static text).
    std::vector<HWND> MessageBoxes() const;
    // The program's top-level visible windows other than the main window.
    std::vector<HWND> OtherWindows() const;

    // Writes what the screen shows into a bitmap beside the test program.
    void SaveScreen(const std::wstring& name) const;

private:
    std::function<void(DWORD)> m_pump;
    CTavrelProcess m_process;
    HWND m_main = nullptr;
    const char* m_startFailure = "";
    HWND m_tree = nullptr;
};

// The user ids of a group's members in tree order.
std::vector<LPARAM> GroupOrder(HWND tree, const std::wstring& groupPrefix);
// The group row whose text starts with prefix (a null handle when none).
TreeItem FindGroup(HWND tree, const std::wstring& prefix);

// Whole-file helpers.
std::string ReadAll(const std::wstring& path);
bool WriteAll(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
// Bytes that show a lost, doubled or shifted block.
std::string PatternBytes(size_t size, unsigned seed);
// Counts the occurrences of part in text.
size_t CountOf(const std::wstring& text, const std::wstring& part);

}  // namespace tavreltest
