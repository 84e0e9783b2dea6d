#include "net/transport/tcp_connection.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include <fmt/core.h>

#include "net/transport/anti_freeze.h"
#include "net/transport/exceptions.h"
#include "net/transport/intercept.h"
#include "net/transport/io_handler.h"
#include "net/transport/io_handler_socket.h"
#include "net/transport/messages.h"
#include "net/transport/socket_handle.h"
#include "net/transport/trim.h"
#include "platform/streams.h"

namespace {
// Error codes of a socket the peer or we already closed.
constexpr std::initializer_list<int32_t> ClosedOnReceive = {10058, 10053};
constexpr std::initializer_list<int32_t> ClosedOnSend = {10058, 10053, 10054};

// Finds terminator in bytes[from, size); returns its index or -1.
int64_t findTerminator(const char* bytes, int64_t size, int64_t from, const std::string& terminator) {
  const std::string_view haystack(bytes, static_cast<size_t>(size));
  const size_t found = haystack.find(terminator, static_cast<size_t>(from));
  return found == std::string_view::npos ? -1 : static_cast<int64_t>(found);
}

// A peer's announced count is not trusted before its bytes arrive: the
// destination is presized by at most this much and grows as data comes.
constexpr int64_t MaxPresize = int64_t{1} << 20;

int32_t checkedBufferSize(const char* name, int32_t size) {
  if (size < 1) throw EIdInvalidSize(fmt::format(transport_messages::BufferSizeTooSmall, name, size));
  return size;
}

int64_t checkedStreamPosition(TStream& stream) {
  const int64_t position = stream.GetPosition();
  if (position < 0) throw EIdInvalidSize(fmt::format(transport_messages::NegativeStreamPosition, position));
  return position;
}

void clearBit7(char* bytes, int32_t count) {
  for (int32_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(bytes[i] & 0x7F);
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}
}  // namespace

TIdTCPConnection::TIdTCPConnection()
    : GreetingReply(std::make_unique<TIdRFCReply>()),
      PendingInput(std::make_unique<TIdManagedBuffer>()),
      LastReply(std::make_unique<TIdRFCReply>()),
      ReceiveScratch(std::make_unique<TIdSimpleBuffer>()) {
  PendingInput->OnBytesRemoved = [this](TIdSimpleBuffer*, int64_t count) { AddWork(wmRead, count); };
}

TIdTCPConnection::~TIdTCPConnection() {
  DropSocket();
  SetIntercept(nullptr);
  ForgetIOHandler();
  ReleasedIOHandlers.clear();
}

TIdTCPConnection::TTransportInUse::TTransportInUse(TIdTCPConnection& connection) : Connection(connection) {
  ++Connection.TransportUsers;
}

TIdTCPConnection::TTransportInUse::~TTransportInUse() {
  if (--Connection.TransportUsers == 0) Connection.ReleasedIOHandlers.clear();
}

// --- transport and intercept references --------------------------------------

void TIdTCPConnection::SetIOHandler(TIdIOHandler* value) {
  if (value == FIOHandler) return;
  if (FIOHandler) ++FLocalCloses;
  ForgetIOHandler();
  FIOHandler = value;
  SocketHandler = dynamic_cast<TIdIOHandlerSocket*>(value);
  if (value) {
    value->AddFreeNotification(this, [this] {
      FIOHandler = nullptr;
      SocketHandler = nullptr;
    });
  }
}

void TIdTCPConnection::AdoptIOHandler(std::unique_ptr<TIdIOHandler> handler) {
  SetIOHandler(handler.get());
  OwnedIOHandler = std::move(handler);
}

void TIdTCPConnection::ForgetIOHandler() {
  if (FIOHandler) FIOHandler->RemoveFreeNotification(this);
  FIOHandler = nullptr;
  SocketHandler = nullptr;
  if (TransportUsers > 0 && OwnedIOHandler) ReleasedIOHandlers.push_back(std::move(OwnedIOHandler));
  else OwnedIOHandler.reset();
}

void TIdTCPConnection::SetIntercept(TIdConnectionIntercept* value) {
  if (value == FIntercept) return;
  if (FIntercept) FIntercept->RemoveFreeNotification(this);
  FIntercept = value;
  if (value) value->AddFreeNotification(this, [this] { FIntercept = nullptr; });
}

// --- state and closing ---------------------------------------------------------

void TIdTCPConnection::DoOnDisconnected() {
  if (OnDisconnected) OnDisconnected(this);
}

void TIdTCPConnection::ResetState() {
  PendingInput->Clear();
  PeerClosed = false;
  LastReceiveFilled = false;
}

void TIdTCPConnection::DropSocket() {
  TIdIOHandler* handler = FIOHandler;
  if (!handler) return;
  const TTransportInUse inUse(*this);
  PeerClosed = true;
  // An intercept whose OnDisconnect closes the connection again must not
  // start another detach.
  if (FIntercept && !DetachingIntercept) {
    DetachingIntercept = true;
    try {
      FIntercept->Detach();
    } catch (...) {
      DetachingIntercept = false;
      throw;
    }
    DetachingIntercept = false;
  }
  handler->CloseHandler();
}

void TIdTCPConnection::CloseConnection() {
  const TTransportInUse inUse(*this);
  ++FLocalCloses;
  ReportStatus(hsDisconnecting);
  DropSocket();
  if (OwnsIOHandler()) ForgetIOHandler();
  DoOnDisconnected();
  ReportStatus(hsDisconnected);
}

void TIdTCPConnection::CheckDisconnected(bool raiseIfDisconnected, bool ignoreBuffer) {
  bool disconnected = false;
  if (PeerClosed || !FIOHandler) {
    // Without a transport nothing was connected, so nothing closed either.
    if (FIOHandler) {
      if (FIOHandler->HandlerConnected()) {
        DropSocket();
        ReportStatus(hsDisconnected);
        DoOnDisconnected();
      }
      disconnected = true;
    }
  } else {
    disconnected = !FIOHandler->HandlerConnected();
  }
  if (disconnected && (PendingInput->GetSize() == 0 || ignoreBuffer) && raiseIfDisconnected)
    throw EIdConnClosedGracefully(transport_messages::ConnectionClosedGracefully);
}

bool TIdTCPConnection::IsConnected() {
  CheckDisconnected(false, false);
  return FIOHandler && FIOHandler->HandlerConnected();
}

void TIdTCPConnection::PollGracefulClose(bool raiseIfDisconnected) { FillInputBuffer(raiseIfDisconnected, 1, false); }

// --- receiving -------------------------------------------------------------------

int32_t TIdTCPConnection::FillInputBuffer(bool raiseIfDisconnected, int32_t timeout, bool raiseOnTimeout) {
  if (timeout == TimeoutUseDefault) timeout = ReadTimeout == 0 ? TimeoutForever : ReadTimeout;
  const int32_t chunk = checkedBufferSize("RecvBufferSize", RecvBufferSize);
  const TTransportInUse inUse(*this);
  CheckDisconnected(raiseIfDisconnected);
  if (!IsConnected()) {
    if (raiseIfDisconnected) throw EIdNotConnected(transport_messages::NotConnected);
    return 0;
  }
  int32_t received = 0;
  do {
    // A receive that filled the buffer is usually followed by more bytes
    // already there: take them without the readiness wait. The anti-freeze
    // step runs with every wait, so with one in use the wait stays.
    std::optional<int32_t> arrived;
    if (LastReceiveFilled && ReceiveScratch && !IsAntiFreezeInUse()) arrived = ReceiveInput(chunk, true);
    if (arrived) {
      received = *arrived;
    } else {
      const bool readable = FIOHandler->WaitReadable(timeout);
      // The anti-freeze step inside the wait may have closed the connection.
      if (!IsConnected()) {
        if (raiseIfDisconnected) throw EIdNotConnected(transport_messages::NotConnected);
        return 0;
      }
      if (!readable) {
        if (raiseOnTimeout) throw EIdReadTimeout(transport_messages::ReadTimeout);
        return -1;
      }
      if (ReceiveScratch) {
        received = *ReceiveInput(chunk, false);
      } else {
        if (raiseIfDisconnected) throw EIdNotConnected(transport_messages::NotConnected);
        received = 0;
      }
    }
    LastReceiveFilled = received == chunk;
    PeerClosed = received == 0;
    if (received != 0 && SharedStack->CheckSocketResult(received, ClosedOnReceive)) {
      if (FIOHandler) DropSocket();
      if (PendingInput->GetSize() == 0) SharedStack->RaiseSocketErrorFor(SharedStack->LastErrorCode);
      received = 0;
    }
    if (received > 0 && FIntercept) {
      ReceiveScratch->SetSize(received);
      ReceiveScratch->SetPosition(0);
      FIntercept->FilterIncoming(*ReceiveScratch);
      received = static_cast<int32_t>(ReceiveScratch->GetSize());
      if (ASCIIFilter) clearBit7(ReceiveScratch->Memory(), received);
      PendingInput->Append(ReceiveScratch->Memory(), received);
    }
    CheckDisconnected(raiseIfDisconnected);
  } while (received == 0 && IsConnected());
  return received;
}

// Without an intercept the bytes land straight in PendingInput (its filter
// applied); an intercept gets them in ReceiveScratch first.
std::optional<int32_t> TIdTCPConnection::ReceiveInput(int32_t length, bool arrivedOnly) {
  const auto receive = [&](char* into) -> std::optional<int32_t> {
    if (!arrivedOnly) return FIOHandler->ReceiveSome(into, length);
    int32_t received = 0;
    if (FIOHandler->ReceiveArrived(into, length, received)) return received;
    return std::nullopt;
  };
  if (FIntercept) {
    ReceiveScratch->SetSize(length);
    return receive(ReceiveScratch->Memory());
  }
  std::optional<int32_t> result;
  PendingInput->AppendReceived(length, [&](char* into) {
    result = receive(into);
    const int32_t received = result.value_or(0);
    if (received > 0 && ASCIIFilter) clearBit7(into, received);
    return received;
  });
  return result;
}

void TIdTCPConnection::WaitForInput(int64_t count) {
  while (PendingInput->GetSize() < count) {
    FillInputBuffer(true, TimeoutUseDefault, true);
    // A close before count bytes arrived fails the read even with bytes buffered.
    CheckDisconnected(true, true);
  }
}

void TIdTCPConnection::ReadBytes(void* destination, int64_t count) {
  if (count <= 0 || !destination) return;
  WaitForInput(count);
  std::memcpy(destination, PendingInput->Bytes(), static_cast<size_t>(count));
  PendingInput->Remove(count);
}

int32_t TIdTCPConnection::ReadInt32(bool convertFromNetworkOrder) {
  uint32_t value = 0;
  ReadBytes(&value, sizeof value);
  if (convertFromNetworkOrder) value = SharedStack->NetToHost32(value);
  return static_cast<int32_t>(value);
}

std::string TIdTCPConnection::ReadLineTooLong(int32_t maxLength) {
  if (MaxLineAction == maException) throw EIdReadLnMaxLineLengthExceeded(transport_messages::MaxLineLengthExceeded);
  LineWasSplit = true;
  return PendingInput->Extract(maxLength);
}

std::string TIdTCPConnection::ReadLine(std::string terminator, int32_t timeout, int32_t maxLength) {
  if (maxLength == -1) maxLength = MaxLineLength;
  if (terminator.empty()) terminator.push_back('\n');
  LineWasSplit = false;
  LineReadEmpty = false;
  const int64_t overlap = static_cast<int64_t>(terminator.size()) - 1;
  int64_t found = -1;
  int64_t searched = 0;
  for (;;) {
    const int64_t size = PendingInput->GetSize();
    if (size > 0) {
      // Only bytes not searched before, plus enough of them to catch a
      // terminator that arrived split across two receives.
      found = findTerminator(PendingInput->Bytes(), size, std::max<int64_t>(0, searched - overlap), terminator);
      searched = size;
    }
    if (found >= 0) {
      if (maxLength != 0 && found > maxLength) return ReadLineTooLong(maxLength);
      break;
    }
    if (maxLength != 0 && searched > maxLength) return ReadLineTooLong(maxLength);
    CheckDisconnected(true, true);
    const int32_t received = FillInputBuffer(true, timeout, timeout == TimeoutUseDefault);
    if (received == 0) {
      LineReadEmpty = true;
      return {};
    }
  }
  std::string line = PendingInput->Extract(found + static_cast<int64_t>(terminator.size()));
  line.resize(static_cast<size_t>(found));
  if (terminator == "\n" && !line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string TIdTCPConnection::ReadLineSkipEmpty(int32_t attempts) {
  std::string line;
  for (int32_t i = 0; i < attempts && line.empty(); ++i) line = std::string(TrimBlanksAndControls(ReadLine()));
  return line;
}

void TIdTCPConnection::ReadToStream(TStream& stream, int64_t count, bool untilClose) {
  const int64_t position = checkedStreamPosition(stream);
  const int32_t chunkSize = checkedBufferSize("RecvBufferSize", RecvBufferSize);
  if (count == -1 && !untilClose) count = ReadInt32(true);
  if (count < 0 && !untilClose) throw EIdInvalidSize(fmt::format(transport_messages::NegativeLength, count));
  if (count >= 0) {
    stream.SetSize(position + std::min(count, MaxPresize));
    stream.SetPosition(position);
  }
  const uint32_t closesAtStart = LocalCloses();
  // 64-bit so that a body of 2 GiB or more read until close is read whole.
  int64_t remaining = untilClose ? INT64_MAX : count;
  StartWork(wmRead, untilClose ? 0 : count);
  const auto finish = [&] {
    FinishWork(wmRead);
    if (stream.GetSize() > stream.GetPosition()) stream.SetSize(stream.GetPosition());
  };
  // Bytes go to the stream before they leave PendingInput, so they are kept
  // even when the OnWork handler that their removal fires raises.
  const auto moveToStream = [&](int64_t n) {
    stream.WriteBuffer(PendingInput->Bytes(), n);
    remaining -= n;
    PendingInput->Remove(n);
  };
  try {
    const int64_t buffered = std::min(PendingInput->GetSize(), remaining);
    if (buffered > 0) moveToStream(buffered);
    const int64_t chunk = std::min<int64_t>(remaining, chunkSize);
    // A handler may close the connection (Stop in OnWork, or in the
    // anti-freeze step during a wait): the loop then ends quietly and keeps
    // what arrived.
    while (IsConnected() && remaining > 0) {
      const int64_t wanted = std::min(remaining, chunk);
      try {
        WaitForInput(wanted);
      } catch (const EIdNotConnected&) {
        if (LocalCloses() != closesAtStart) break;
        throw;
      } catch (const EIdConnClosedGracefully&) {
        if (LocalCloses() != closesAtStart) break;
        if (!untilClose) throw;
        // The peer's close ends a body read until close: the last partial
        // chunk is kept but not counted.
        const int64_t rest = PendingInput->GetSize();
        stream.WriteBuffer(PendingInput->Bytes(), rest);
        remaining -= rest;
        PendingInput->Clear();
        continue;
      }
      moveToStream(wanted);
    }
    // Short of the count without a close of ours: the peer's close was
    // noticed before the body was complete, perhaps before the read began.
    if (!untilClose && remaining > 0 && LocalCloses() == closesAtStart)
      throw EIdConnClosedGracefully(transport_messages::ConnectionClosedGracefully);
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

std::string TIdTCPConnection::ReadAvailable() {
  if (IsConnected()) FillInputBuffer(false, TimeoutUseDefault, true);
  return PendingInput->Extract(PendingInput->GetSize());
}

std::string TIdTCPConnection::ReadAll() {
  std::string all;
  StartWork(wmRead);
  try {
    // Bytes buffered before the close was noticed belong to the result too.
    do {
      all += ReadAvailable();
    } while (IsConnected());
  } catch (...) {
    FinishWork(wmRead);
    throw;
  }
  FinishWork(wmRead);
  return all;
}

// --- sending ---------------------------------------------------------------------

void TIdTCPConnection::SendNow(const char* bytes, int64_t count) {
  const TTransportInUse inUse(*this);
  int64_t position = 0;
  while (position < count) {
    // An OnWork handler may have closed the connection and freed the transport.
    if (!FIOHandler) throw EIdNotConnected(transport_messages::NotConnected);
    const int32_t length = static_cast<int32_t>(std::min<int64_t>(count - position, INT32_MAX));
    const int32_t sent = FIOHandler->SendSome(bytes + position, length);
    RunAntiFreeze(false);
    PeerClosed = sent == 0;
    CheckDisconnected(true, false);
    if (SharedStack->CheckSocketResult(sent, ClosedOnSend)) {
      DropSocket();
      SharedStack->RaiseSocketErrorFor(SharedStack->LastErrorCode);
    }
    AddWork(wmWrite, sent);
    position += sent;
  }
}

void TIdTCPConnection::WriteBytes(const void* source, int64_t count, bool writeNow) {
  if (count <= 0 || !source) return;
  CheckDisconnected(true, true);
  if (!IsConnected()) throw EIdNotConnected(transport_messages::NotConnected);
  if (OutgoingBuffer && !writeNow) {
    OutgoingBuffer->Append(source, count);
    if (FlushThreshold > 0 && OutgoingBuffer->GetSize() >= FlushThreshold) FlushWriteBuffering(FlushThreshold);
    return;
  }
  if (!FIntercept) {
    SendNow(static_cast<const char*>(source), count);
    return;
  }
  TIdSimpleBuffer filtered;
  filtered.WriteBuffer(source, count);
  filtered.SetPosition(0);
  FIntercept->FilterOutgoing(filtered);
  SendNow(filtered.Memory(), filtered.GetSize());
}

void TIdTCPConnection::WriteText(const std::string& text) {
  WriteBytes(text.data(), static_cast<int64_t>(text.size()));
}

void TIdTCPConnection::WriteLine(const std::string& text) { WriteText(text + "\r\n"); }

void TIdTCPConnection::WriteInt32(int32_t value, bool convertToNetworkOrder) {
  uint32_t bytes = static_cast<uint32_t>(value);
  if (convertToNetworkOrder) bytes = SharedStack->HostToNet32(bytes);
  WriteBytes(&bytes, sizeof bytes);
}

void TIdTCPConnection::WriteFromStream(TStream& stream, bool fromStart, bool writeLength, int64_t size) {
  if (size < 0) throw EIdInvalidSize(fmt::format(transport_messages::NegativeLength, size));
  const int32_t chunkSize = checkedBufferSize("SendBufferSize", SendBufferSize);
  if (fromStart) stream.SetPosition(0);
  int64_t position = checkedStreamPosition(stream);
  const int64_t end = size != 0 ? position + size : stream.GetSize();
  if (writeLength) WriteInt32(static_cast<int32_t>(end - position));
  StartWork(wmWrite, end - position);
  try {
    std::vector<char> chunk(static_cast<size_t>(std::clamp<int64_t>(end - position, 0, chunkSize)));
    while (position < end) {
      const int64_t read = stream.Read(chunk.data(), std::min<int64_t>(end - position, chunkSize));
      if (read <= 0) throw EIdNoDataToRead(transport_messages::NoDataToRead);
      WriteBytes(chunk.data(), read);
      position += read;
    }
  } catch (...) {
    FinishWork(wmWrite);
    throw;
  }
  FinishWork(wmWrite);
}

int64_t TIdTCPConnection::WriteFileContents(const std::string& fileName, bool allowFileSender) {
  if (!std::filesystem::is_regular_file(fileName))
    throw EIdFileNotFound(fmt::format(transport_messages::FileNotFound, fileName));
  if (FileSender && !FIntercept && allowFileSender && SocketHandler && SocketHandler->SocketBinding) {
    // A closed socket's number may already belong to another file.
    if (!IsConnected()) throw EIdNotConnected(transport_messages::NotConnected);
    return FileSender(SocketHandler->SocketBinding->SocketId, fileName);
  }
  TFileStream file(fileName, fmOpenRead);
  WriteFromStream(file, true);
  return file.GetSize();
}

// --- write buffering -----------------------------------------------------------

void TIdTCPConnection::BeginWriteBuffering(int32_t threshold) {
  OutgoingBuffer = std::make_unique<TIdSimpleBuffer>();
  FlushThreshold = threshold;
}

void TIdTCPConnection::FlushWriteBuffering(int64_t count) {
  if (!OutgoingBuffer || OutgoingBuffer->GetSize() == 0) return;
  if (count != -1 && OutgoingBuffer->GetSize() >= count) {
    WriteBytes(OutgoingBuffer->Bytes(), count, true);
    OutgoingBuffer->Remove(count);
  } else {
    WriteBytes(OutgoingBuffer->Bytes(), OutgoingBuffer->GetSize(), true);
    OutgoingBuffer->Clear();
  }
}

void TIdTCPConnection::EndWriteBuffering() {
  try {
    FlushWriteBuffering(-1);
  } catch (...) {
    OutgoingBuffer.reset();
    throw;
  }
  OutgoingBuffer.reset();
}

void TIdTCPConnection::DiscardWriteBuffering() {
  if (OutgoingBuffer) OutgoingBuffer->Clear();
}

// --- numeric replies -------------------------------------------------------------

int32_t TIdTCPConnection::ReadReply() {
  std::vector<std::string> lines{ReadLineSkipEmpty(INT32_MAX)};
  const std::string& first = lines.front();
  if (first.size() > 3 && first[3] == '-') {
    const std::string lastLinePrefix = first.substr(0, 3) + " ";
    for (;;) {
      lines.push_back(ReadLine());
      const std::string& line = lines.back();
      if (line.size() < 4 || startsWithNoCase(line, lastLinePrefix)) break;
    }
  }
  LastReply->ParseLines(lines);
  return LastReply->NumericCode();
}

void TIdTCPConnection::RaiseReplyError() {
  throw EIdProtocolReplyError(LastReply->NumericCode(), LastReply->JoinedText());
}

void TIdTCPConnection::CheckReplyCode(int32_t code, std::initializer_list<int32_t> allowed) {
  if (allowed.size() == 0 || std::find(allowed.begin(), allowed.end(), code) != allowed.end()) return;
  RaiseReplyError();
}

int32_t TIdTCPConnection::ExpectReply(std::initializer_list<int32_t> allowed) {
  ReadReply();
  CheckReplyCode(LastReply->NumericCode(), allowed);
  return LastReply->NumericCode();
}

int32_t TIdTCPConnection::SendCommand(const std::string& command, std::initializer_list<int32_t> allowed) {
  WriteLine(command);
  return ExpectReply(allowed);
}
