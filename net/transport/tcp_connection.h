#pragma once
// The byte-stream connection the HTTP exchange runs on. Every received byte
// lands in PendingInput; lines, counted blocks and whole bodies are read out
// of it, and consuming bytes inside a work bracket drives the work events that
// the progress bar shows. Writes go through the transport, optionally
// collected in a write buffer first.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/transport/buffers.h"
#include "net/transport/component.h"
#include "net/transport/rfc_reply.h"
#include "net/transport/stack.h"

class TIdConnectionIntercept;
class TIdIOHandler;
class TIdIOHandlerSocket;
class TStream;

enum TIdMaxLineAction { maException, maSplit };

class TIdTCPConnection : public TIdComponent {
public:
  TIdTCPConnection();
  ~TIdTCPConnection() override;

  // The transport. Setting it frees a transport this connection owns; a
  // transport destroyed elsewhere is forgotten.
  TIdIOHandler* IOHandler() const { return FIOHandler; }
  void SetIOHandler(TIdIOHandler* value);
  // True while IOHandler was created by OpenConnection and is freed on close.
  bool OwnsIOHandler() const { return OwnedIOHandler != nullptr; }
  TIdConnectionIntercept* Intercept() const { return FIntercept; }
  void SetIntercept(TIdConnectionIntercept* value);

  virtual void DoOnDisconnected();
  virtual void ResetState();
  virtual std::string ReadAll();
  virtual void CheckDisconnected(bool raiseIfDisconnected = true, bool ignoreBuffer = false);
  virtual void PollGracefulClose(bool raiseIfDisconnected = true);
  virtual void CheckReplyCode(int32_t code, std::initializer_list<int32_t> allowed);
  // Never raises; after a peer close this is where the close is noticed.
  virtual bool IsConnected();
  virtual void CloseConnection();
  virtual void DropSocket();
  virtual int32_t ExpectReply(std::initializer_list<int32_t> allowed);
  [[noreturn]] virtual void RaiseReplyError();
  // The only place that receives: one receive of at most RecvBufferSize bytes.
  // Returns the bytes received, or -1 on a time-out that is not raised.
  virtual int32_t FillInputBuffer(bool raiseIfDisconnected = true, int32_t timeout = TimeoutUseDefault,
                                  bool raiseOnTimeout = true);
  // An empty terminator means LF; maxLength -1 means MaxLineLength, 0 no limit.
  virtual std::string ReadLine(std::string terminator = "", int32_t timeout = TimeoutUseDefault,
                               int32_t maxLength = -1);
  virtual int32_t SendCommand(const std::string& command, std::initializer_list<int32_t> allowed);
  virtual void WriteText(const std::string& text);
  virtual void WriteLine(const std::string& text = "");
  virtual void WriteFromStream(TStream& stream, bool fromStart = true, bool writeLength = false, int64_t size = 0);
  virtual int64_t WriteFileContents(const std::string& fileName, bool allowFileSender = false);

  std::string ReadLineSkipEmpty(int32_t attempts);
  void ReadBytes(void* destination, int64_t count);
  int32_t ReadInt32(bool convertFromNetworkOrder = true);
  // count -1 without untilClose reads the count first as a 32-bit integer.
  void ReadToStream(TStream& stream, int64_t count = -1, bool untilClose = false);
  std::string ReadAvailable();
  int32_t ReadReply();

  void WriteBytes(const void* source, int64_t count, bool writeNow = false);
  void WriteInt32(int32_t value, bool convertToNetworkOrder = true);

  // While buffering, writes collect in OutgoingBuffer; a threshold above 0
  // sends whenever that many bytes have collected.
  void BeginWriteBuffering(int32_t threshold = -1);
  void FlushWriteBuffering(int64_t count = -1);
  void EndWriteBuffering();
  void DiscardWriteBuffering();
  bool WriteBuffering() const { return OutgoingBuffer != nullptr; }

  bool ASCIIFilter = false;
  bool PeerClosed = false;
  std::unique_ptr<TIdRFCReply> GreetingReply;
  std::unique_ptr<TIdManagedBuffer> PendingInput;
  std::unique_ptr<TIdRFCReply> LastReply;
  TIdMaxLineAction MaxLineAction = maException;
  int32_t MaxLineLength = 16384;
  TNotifyEvent OnDisconnected;
  bool LineWasSplit = false;
  bool LineReadEmpty = false;
  int32_t ReadTimeout = 0;
  int32_t RecvBufferSize = 32768;
  std::unique_ptr<TIdSimpleBuffer> ReceiveScratch;
  int32_t SendBufferSize = 32768;
  std::unique_ptr<TIdSimpleBuffer> OutgoingBuffer;
  int32_t FlushThreshold = -1;

protected:
  // Takes ownership: the transport is freed on close or when replaced.
  void AdoptIOHandler(std::unique_ptr<TIdIOHandler> handler);

  // Held by every operation that calls into the transport. A handler run
  // inside such a call (Stop in OnStatus, an anti-freeze step, an intercept)
  // may close the connection; the transport it owned is then released only
  // when the outermost of these operations returns, never under a call that
  // is still running in it.
  class TTransportInUse {
  public:
    explicit TTransportInUse(TIdTCPConnection& connection);
    ~TTransportInUse();
    TTransportInUse(const TTransportInUse&) = delete;
    TTransportInUse& operator=(const TTransportInUse&) = delete;

  private:
    TIdTCPConnection& Connection;
  };

  // Counts the closes made on this side (CloseConnection, a transport set or
  // forgotten), so that a read can tell them from a peer's close.
  uint32_t LocalCloses() const { return FLocalCloses; }

private:
  // Receives until at least count bytes are buffered.
  void WaitForInput(int64_t count);
  // One receive of at most length bytes; with arrivedOnly, nothing when none
  // have arrived yet.
  std::optional<int32_t> ReceiveInput(int32_t length, bool arrivedOnly);
  std::string ReadLineTooLong(int32_t maxLength);
  void SendNow(const char* bytes, int64_t count);
  void ForgetIOHandler();

  TIdIOHandler* FIOHandler = nullptr;
  std::unique_ptr<TIdIOHandler> OwnedIOHandler;
  // IOHandler when it is a socket transport, for whole-file sends.
  TIdIOHandlerSocket* SocketHandler = nullptr;
  TIdConnectionIntercept* FIntercept = nullptr;
  int32_t TransportUsers = 0;
  std::vector<std::unique_ptr<TIdIOHandler>> ReleasedIOHandlers;
  uint32_t FLocalCloses = 0;
  bool DetachingIntercept = false;
  // The last receive filled the whole buffer, so more bytes likely wait.
  bool LastReceiveFilled = false;
};
