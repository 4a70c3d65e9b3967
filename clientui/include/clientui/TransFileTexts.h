// The texts of the file-transfer panel: the status text of each transfer
// state, byte counts, speed and time left, and the speed itself.
#pragma once

#include <cstdint>
#include <string>

#include "PictureName.h"

// The states of one transfer as the panel shows them (TransferState).
enum TransferState : int {
    TRANSFER_IDLE = 0,             // no transfer
    TRANSFER_OFFER_SENT = 1,       // waiting for the peer to accept
    TRANSFER_OFFER_RECEIVED = 2,   // the peer offers a file
    TRANSFER_ACCEPTED = 3,         // we are about to receive
    TRANSFER_REFUSED = 4,          // we refused the peer's offer
    TRANSFER_PEER_ACCEPTED = 5,    // the peer accepts our file
    TRANSFER_PEER_REFUSED = 6,     // the peer refused our offer
    TRANSFER_SENDING = 7,          // our file is going up
    TRANSFER_PREPARING = 8,        // waiting for the peer's upload
    TRANSFER_RECEIVING = 9,        // the file is coming down
    TRANSFER_SEND_CANCELLED = 10,  // the sender cancelled
    TRANSFER_RECV_CANCELLED = 11,  // the receiver cancelled
    TRANSFER_FINISHED = 12,        // the transfer has ended
};
constexpr int kTransferStateCount = 13;

// The status text that state sets; null for the states that keep the
// current text (10, 11) and for numbers outside 0..12. State 12 gives
// "文件传送完成"; the panel keeps a cancel's text instead.
const wchar_t* TransferStateText(int state);

// Texts the panel sets besides the table: the peer cancelled sending, the
// peer cancelled receiving, the peer's upload is ready, a transfer failed,
// the transfer waits for the file server, the local file cannot be opened.
extern const wchar_t kTransferPeerCancelledSend[];
extern const wchar_t kTransferPeerCancelledRecv[];
extern const wchar_t kTransferReadyToReceive[];
extern const wchar_t kTransferFailedText[];
extern const wchar_t kTransferWaitingText[];
extern const wchar_t kTransferOpenFailedText[];

// Why a file name breaks the file-name rule, as a short clause; null for
// FileNameProblem::None.
const wchar_t* FileNameProblemText(clientui::FileNameProblem problem);
// The message to the local user when a peer's offer was refused for its
// name: the name and the reason.
std::wstring RefusedOfferText(const std::wstring& name, clientui::FileNameProblem problem);
// The message to the local user when the name of a file to send breaks the
// rule (other than by its length, which has a message of its own).
std::wstring UnsendableNameText(clientui::FileNameProblem problem);

// A byte count: up to 1023 bytes L"<n>字节"; above 1048575 L"<x.x>MB" (/ 1048576);
// else L"<x.x>KB" (/ 1024).
std::wstring FormatTransferBytes(int64_t bytes);
// "<done>/<size>" as byte counts.
std::wstring FormatTransferProgress(int64_t done, int64_t size);
// L"速度: <bytes per second>/S".
std::wstring FormatTransferSpeed(int64_t bytesPerSecond);
// "剩余时间:hh:mm:ss" of (size - done) / speed seconds, or
// "剩余时间:--:--:--" while the speed is 0 (or below).
std::wstring FormatTimeLeft(int64_t size, int64_t done, int64_t bytesPerSecond);

// Bytes per second after elapsedMs: the seconds elapsed count as at least
// 1 (below 1000 ms, 1 second).
int64_t ComputeTransferSpeed(int64_t bytesDone, uint32_t elapsedMs);

// The progress bar's position (0..100) for done of size; 0 for a size of 0.
int TransferPercent(int64_t done, int64_t size);
