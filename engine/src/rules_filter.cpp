// Runs that judge duplicates by rules other than the plain one, write reports
// or read several inputs. They take this path, on one thread, so that the
// plain run keeps its speed and memory untouched.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "compare_rules.h"
#include "duplicate_check.h"
#include "file_io.h"
#include "line_block_reader.h"
#include "line_index.h"
#include "line_policies.h"
#include "scan_ahead.h"
#include "sievra/line_scanner.h"
#include "sievra/prefix_time.h"

namespace sievra {

namespace {

constexpr std::size_t kReadBufferBytes = std::size_t{1} << 20;
constexpr std::size_t kPieceBytes = std::size_t{1} << 20;

// One file the run writes, gathered into pieces of a MiB: the output or a
// report. A temporary until Commit, as the output is.
class PieceWriter {
 public:
  std::error_code Open(const std::string& path, bool acceptStreams) {
    open_ = true;
    return out_.Open(path, acceptStreams);
  }
  std::error_code OpenLive(const std::string& path) {
    open_ = true;
    return out_.OpenLive(path);
  }
  // What waits to be written.
  std::string_view Pending() const { return buffer_; }
  void Append(std::string_view bytes) {
    if (!open_) return;
    buffer_.append(bytes);
    if (buffer_.size() >= kPieceBytes) Flush();
  }
  std::error_code Flush() {
    if (!ec_ && !buffer_.empty()) ec_ = out_.Write(buffer_.data(), buffer_.size());
    written_ += buffer_.size();
    buffer_.clear();
    return ec_;
  }
  std::error_code Commit() { return open_ ? out_.Commit() : std::error_code{}; }
  std::uint64_t Written() const { return written_ + buffer_.size(); }

 private:
  AtomicOutputFile out_;
  std::string buffer_;
  std::error_code ec_;  // the first write's failure; later writes are skipped
  std::uint64_t written_ = 0;
  bool open_ = false;
};

// What the run knows of one kept line's key: which lines had it.
struct KeyRecord {
  std::uint64_t firstLine = 0;  // 1-based, counting on across the inputs
  std::uint64_t lastLine = 0;
  std::uint64_t count = 0;
};

// A kept frame without a time stamp.
constexpr std::int64_t kNoTime = INT64_MIN;

// The count report's Packet columns of one record.
struct CopyTrail {
  std::string firstTime;
  std::string lastTime;
  // The distinct paths in order of first appearance. A list, not the joined
  // text: a path may be empty or hold the separator itself.
  std::vector<std::string> paths;
};

// The digipeater path of a frame as read: the header after the destination,
// or "direct" for a frame without one.
std::string_view PathOf(std::string_view frame) {
  const std::string_view header = frame.substr(0, frame.find(':'));
  const std::size_t arrow = header.find('>');
  const std::size_t comma = arrow == std::string_view::npos ? arrow : header.find(',', arrow);
  if (comma == std::string_view::npos) return "direct";
  return header.substr(comma + 1);
}

void AddPath(std::vector<std::string>& paths, std::string_view path) {
  if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.emplace_back(path);
}

std::string Joined(const std::vector<std::string>& paths) {
  std::string via;
  for (const std::string& path : paths) {
    if (&path != &paths.front()) via += " | ";
    via += path;
  }
  return via;
}

// RFC 4180: a field with a comma, a quote or a line end is quoted, its quotes doubled.
void AppendCsvField(std::string& row, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    row += field;
    return;
  }
  row += '"';
  for (const char c : field) {
    if (c == '"') row += '"';
    row += c;
  }
  row += '"';
}

// The keys met so far, each with the record of its kept line. The compared
// form of each key is copied once, after the record's number; the index holds
// its address, as the plain run's index holds a kept line's.
class KeyBook {
 public:
  KeyBook(const DuplicateRules& rules, bool keepLines)
      : rules_(rules), keepLines_(keepLines), forgets_(rules.windowSeconds > 0 && !keepLines) {
    keys_.SetLineEnd("\n");  // no compared key holds a line end
    index_.Reset(0, "\n");
  }

  // Meets a key's compared form, hashed to `hash`, on line `line`: the record
  // it counts to, with `kept` set when the line starts a record of its own (a
  // new key, or a copy outside the window).
  std::uint32_t MeetCompared(std::string_view compared, std::uint32_t hash, std::uint64_t line,
                             std::optional<std::int64_t> time, bool& kept) {
    const char* found = index_.Find(hash, compared);
    kept = true;
    const std::int64_t newestBefore = newest_;
    if (time) newest_ = std::max(newest_, *time);
    if (found == nullptr) {
      const std::uint32_t number = NewRecord(line, time, newestBefore);
      AddKey(number, compared);
      if (forgets_ &&
          size_ - liveAfterForgetting_ >= std::max<std::size_t>(liveAfterForgetting_, kForgetAfter))
        Forget();
      return number;
    }
    // The table's own bytes: the record number before the key is rewritten
    // when a copy outside the window becomes the one later copies are judged against.
    char* numberAt = const_cast<char*>(found) - sizeof(std::uint32_t);
    std::uint32_t number = 0;
    std::memcpy(&number, numberAt, sizeof number);
    if (!OutsideWindow(number, time)) {
      kept = false;
      if (!records.empty()) {
        ++records[number].count;
        records[number].lastLine = line;
      }
      return number;
    }
    number = NewRecord(line, time, newestBefore);
    std::memcpy(numberAt, &number, sizeof number);
    if (forgets_) keyOf_.push_back(found);
    return number;
  }

  // The two stages of prefetching a batch of lookups, as the plain run's
  // pipeline does (lookup_pipeline.h): a lookup waiting on memory cost the
  // one-pass run half its time.
  void Prefetch(std::uint32_t hash) const { index_.Prefetch(hash); }
  void PrefetchText(std::uint32_t hash, std::size_t length) const {
    index_.PrefetchText(hash, length);
  }

  // How many records were made: the lines kept, keeping the first.
  std::uint32_t Size() const { return made_; }

  // Each record's lines: kept only where a keep rule or the count report reads
  // them, so that a run that keeps the first needs nothing per key but the key.
  std::vector<KeyRecord> records;

 private:
  bool OutsideWindow(std::uint32_t number, std::optional<std::int64_t> time) const {
    if (times_.empty() || !time || times_[number] == kNoTime) return false;
    const std::int64_t kept = times_[number];
    return (*time > kept ? *time - kept : kept - *time) >
           static_cast<std::int64_t>(rules_.windowSeconds);
  }
  // `newestBefore`: the newest stamp read before this line.
  std::uint32_t NewRecord(std::uint64_t line, std::optional<std::int64_t> time,
                          std::int64_t newestBefore) {
    if (made_ == UINT32_MAX) throw std::bad_alloc();  // beyond the record numbers
    if (keepLines_) records.push_back({line, line, 1});
    if (rules_.windowSeconds > 0) times_.push_back(time.value_or(kNoTime));
    if (forgets_) newestBefore_.push_back(newestBefore);
    ++made_;
    return size_++;
  }

  void AddKey(std::uint32_t number, std::string_view compared) {
    char head[sizeof number];
    std::memcpy(head, &number, sizeof number);
    const std::string_view stored = keys_.Store({head, sizeof head}, compared);
    index_.Insert(stored.data() + sizeof number);
    if (index_.Full()) index_.Enlarge();
    if (forgets_) keyOf_.push_back(stored.data() + sizeof number);
  }

  // Forgets the keys whose kept frame a frame read after it outdated by more
  // than the window, so that following a busy log for days holds the keys of
  // about one window: the book is built afresh from the keys still needed,
  // each time as many records were added as it then held (so each record is
  // copied a bounded number of times).
  void Forget() {
    KeyBook fresh(rules_, false);
    const auto window = static_cast<std::int64_t>(rules_.windowSeconds);
    for (std::uint32_t n = 0; n < size_; ++n) {
      const char* key = keyOf_[n];
      std::uint32_t current = 0;
      std::memcpy(&current, key - sizeof current, sizeof current);
      if (current != n) continue;  // a later copy outside the window took its key
      const std::int64_t kept = times_[n];
      // A frame with a newer stamp than any before the kept one came after it.
      const bool outdated =
          kept != kNoTime && newest_ > newestBefore_[n] && newest_ - kept > window;
      if (outdated) continue;
      const std::string_view text(key, KeptTextLength(key));
      fresh.index_.Find(HashText(text), text);  // absent: it places the key
      fresh.times_.push_back(kept);
      fresh.newestBefore_.push_back(newestBefore_[n]);
      fresh.AddKey(fresh.size_++, text);
    }
    keys_ = std::move(fresh.keys_);
    index_ = std::move(fresh.index_);
    times_ = std::move(fresh.times_);
    newestBefore_ = std::move(fresh.newestBefore_);
    keyOf_ = std::move(fresh.keyOf_);
    size_ = fresh.size_;
    liveAfterForgetting_ = size_;
  }

  static constexpr std::size_t kForgetAfter = std::size_t{1} << 16;

  const DuplicateRules rules_;
  const bool keepLines_;
  const bool forgets_;               // a window without a count report: old keys may go
  std::uint32_t made_ = 0;           // records made
  std::uint32_t size_ = 0;           // records held
  std::vector<std::int64_t> times_;  // with a window: each record's kept time, or kNoTime
  // Forgetting: the newest stamp read before each record was made, and its key.
  std::vector<std::int64_t> newestBefore_;
  std::vector<const char*> keyOf_;
  std::int64_t newest_ = INT64_MIN;  // the newest stamp read so far
  std::size_t liveAfterForgetting_ = 0;
  KeptLineTable keys_;
  LineIndex index_;
};

}  // namespace

bool DuplicateCheck::JudgesByRules() const {
  return !Rules.IsDefault() || Reports.Any() || !MoreInputPaths.empty() || Follow || Streams();
}

bool DuplicateCheck::Streams() const {
  if (!IsStandardStream(OutputPath) || Rules.keep != KeepRule::First) return false;
  if (IsStandardStream(InputPath)) return true;
  return acceptStreams_ && !IsRegularFile(InputPath);
}

// Reads a file as another program writes it, as tail -F does: whole lines as
// they come, a partial last line held until its end arrives (a final CR too,
// which may be the first half of a CR LF); after a copy-and-truncate, from its
// start again; when the path names another file (rotation by renaming), the
// rest of the old file, its last line ending with it, then the new file from
// its start; a file removed is closed once read and awaited.
class DuplicateCheck::FollowedFile {
 public:
  FollowedFile(DuplicateCheck& run, std::string path, std::unique_ptr<InputFile> file)
      : run_(run), path_(std::move(path)), file_(std::move(file)) {}

  // The next bytes holding only whole lines, waiting for them; `quiet` is
  // called once whenever nothing more has come for now. False once a cancel
  // stopped the following (what waits for its line end is dropped), or a read failed.
  bool Next(std::string_view& block, const std::function<void()>& quiet) {
    bool quietSaid = false;
    for (;;) {
      if (file_) {
        const std::size_t had = pending_.size();
        pending_.resize(had + kReadBufferBytes);
        std::size_t got = 0;
        const std::error_code ec = file_->Read(pending_.data() + had, kReadBufferBytes, got);
        pending_.resize(had + got);
        if (ec) {
          run_.FailReading(path_, ec);
          return false;
        }
        if (got > 0) {
          draining_ = false;
          if (TakeWholeLines(block)) return true;
          continue;
        }
        if (draining_) {
          // The old file is done: its last line ends with it.
          file_.reset();
          draining_ = false;
          if (!pending_.empty()) {
            ready_.swap(pending_);
            pending_.clear();
            block = ready_;
            return true;
          }
          continue;
        }
        const std::optional<FileIdentity> named = IdentityOfPath(path_);
        if (!named || named != file_->Identity()) {
          draining_ = true;  // one more read for what was written before the rotation
          continue;
        }
        if (file_->SizeNow() < file_->Position()) {  // cut short: read it again
          if (auto seekFailed = file_->Seek(0)) {
            run_.FailReading(path_, seekFailed);
            return false;
          }
          pending_.clear();
          continue;
        }
      } else if (OpenAgain()) {
        continue;
      }
      if (!quietSaid) {
        quiet();
        quietSaid = true;
      }
      if (!Wait()) return false;
    }
  }

  std::uint64_t BytesRead() const { return bytesBefore_ + (file_ ? file_->BytesRead() : 0); }

 private:
  // Moves the whole lines of what was read into `ready_`; false when there are none yet.
  bool TakeWholeLines(std::string_view& block) {
    std::size_t end = pending_.size();
    if (end > 0 && pending_[end - 1] == '\r') --end;  // perhaps the first half of a CR LF
    while (end > 0 && pending_[end - 1] != '\n' && pending_[end - 1] != '\r') --end;
    if (end == 0) return false;
    ready_.assign(pending_, 0, end);
    pending_.erase(0, end);
    block = ready_;
    return true;
  }

  bool OpenAgain() {
    auto file = std::make_unique<InputFile>();
    if (run_.OpenInput(*file, path_)) {
      if (!waitingSaid_ && run_.monitor_.Observer().onWaiting)
        run_.monitor_.Observer().onWaiting(path_);
      waitingSaid_ = true;
      return false;
    }
    waitingSaid_ = false;
    if (file_) bytesBefore_ += file_->BytesRead();
    file_ = std::move(file);
    return true;
  }

  // Waits the next look at the file; false when a cancel came meanwhile.
  bool Wait() {
    constexpr auto kStep = std::chrono::milliseconds(50);
    for (int i = 0; i < 5; ++i) {  // a look every 250 ms at most
      if (run_.monitor_.Cancelled()) return false;
      std::this_thread::sleep_for(kStep);
    }
    return !run_.monitor_.Cancelled();
  }

  DuplicateCheck& run_;
  const std::string path_;
  std::unique_ptr<InputFile> file_;  // null while the path names no file
  std::string pending_;              // read, not yet ended by a line end
  std::string ready_;                // the whole lines handed out last
  std::uint64_t bytesBefore_ = 0;    // read from files followed before this one
  bool draining_ = false;
  bool waitingSaid_ = false;
};

// Reads the inputs in order, line by line. Regular files are read again on a
// second pass; a stream, read once, is kept in memory for it.
class DuplicateCheck::RuledInputs {
 public:
  // `idle` is called whenever a stream has no more data ready.
  RuledInputs(DuplicateCheck& run, bool twoPasses, std::function<void()> idle)
      : run_(run), twoPasses_(twoPasses), idle_(std::move(idle)) {}

  // Opens every input; false, with the run failed, when one cannot be opened.
  bool Open() {
    std::vector<std::string> paths{run_.InputPath};
    paths.insert(paths.end(), run_.MoreInputPaths.begin(), run_.MoreInputPaths.end());
    for (const std::string& path : paths) {
      auto in = std::make_unique<InputFile>();
      if (auto ec = run_.OpenInput(*in, path)) {
        const bool followed = run_.Follow && &path == &paths.back();
        if (followed && !IsRegularFile(path)) {  // awaited, as tail -F does
          inputs_.push_back({path, nullptr, false, 0, {}});
          continue;
        }
        run_.FailReading(path, ec);
        return false;
      }
      total_ += in->Size();
      const bool stream = in->IsStream();
      inputs_.push_back({path, std::move(in), stream, 0, {}});
    }
    return true;
  }
  std::uint64_t Total() const { return total_; }

  // Calls each(line, terminator) for every line, in order; `terminator` is
  // the line's own end (empty for a file's last line without one). A call with
  // a null line and no terminator ends each block: the lines' bytes go after it;
  // with "\n", it is the LF of a CR LF that a read cut in two, come late.
  // False when the run failed or was cancelled.
  template <class Each>
  bool ForEachLine(const Each& each) {
    std::uint64_t before = 0;  // bytes of the inputs done
    for (Input& input : inputs_) {
      if (passes_ > 0 && input.stream) {
        for (const std::string& block : input.spool) EachLineOf(block, each);
        continue;
      }
      if (passes_ > 0 && !Reopen(input)) return false;
      if (run_.Follow && &input == &inputs_.back()) return Follow(input, before, each);
      InputFile& in = *input.file;
      LineBlockReader reader(in, kReadBufferBytes,
                             [&] { return run_.Proceed(before + in.BytesRead()); });
      bool endsInCr = false;
      for (;;) {
        std::string_view block;
        if (auto ec = reader.Next(block)) {
          run_.FailReading(input.path, ec);
          return false;
        }
        // A cancel while a stream was quiet: what was read of its last line is no line.
        if (in.Interrupted() && run_.CancelIfAsked()) return false;
        if (endsInCr && reader.DroppedLf()) {
          each(std::string_view{}, std::string_view("\n"));
          if (!input.spool.empty()) input.spool.back() += '\n';
        }
        if (block.empty()) break;
        if (input.stream && twoPasses_) input.spool.emplace_back(block);
        endsInCr = EachLineOf(block, each);
        if (in.IsStream() && !in.DataReady()) idle_();
        if (!run_.Proceed(before + in.BytesRead())) return false;
      }
      if (run_.result_.outcome != RunOutcome::Completed) return false;  // cancelled within a line
      if (passes_ == 0) {
        input.bytesRead = in.BytesRead();
        run_.result_.counts.bytesRead += input.bytesRead;
      }
      before += input.bytesRead;
      input.file.reset();  // closed: the output may replace this very file
    }
    ++passes_;
    return true;
  }

 private:
  struct Input {
    std::string path;
    std::unique_ptr<InputFile> file;  // null once read (or, followed, missing at the start)
    bool stream = false;
    std::uint64_t bytesRead = 0;     // on the first pass: the second reads no more
    std::vector<std::string> spool;  // a stream's blocks, for the second pass
  };

  // Calls each() for the block's lines; true when the block ends in a CR that
  // may be the first half of a CR LF cut by the read.
  template <class Each>
  static bool EachLineOf(std::string_view block, const Each& each) {
    LineScanner scanner(block.data(), block.size());
    std::string_view line;
    std::size_t terminatorBytes = 0;
    bool endsInCr = false;
    while (scanner.Next(line, terminatorBytes)) {
      const std::string_view terminator(line.data() + line.size(), terminatorBytes);
      endsInCr = terminator == "\r" && scanner.Position() == block.data() + block.size();
      each(line, terminator);
    }
    each(std::string_view{}, std::string_view{});  // the block's bytes go after this
    return endsInCr;
  }

  // The followed input: its lines as they come until a cancel, which ends the
  // run as completed; the kept lines are handed on whenever the file is quiet.
  template <class Each>
  bool Follow(Input& input, std::uint64_t before, const Each& each) {
    FollowedFile followed(run_, input.path, std::move(input.file));
    std::string_view block;
    while (followed.Next(block, idle_)) {
      EachLineOf(block, each);
      run_.monitor_.Advance(before + followed.BytesRead());
    }
    run_.result_.counts.bytesRead += followed.BytesRead();
    return run_.result_.outcome == RunOutcome::Completed;  // not failed
  }

  bool Reopen(Input& input) {
    input.file = std::make_unique<InputFile>();
    if (auto ec = run_.OpenInput(*input.file, input.path)) {
      run_.FailReading(input.path, ec);
      return false;
    }
    // A live log read again yields what the first pass judged, not what came since.
    input.file->StopAt(input.bytesRead);
    return true;
  }

  DuplicateCheck& run_;
  const bool twoPasses_;
  const std::function<void()> idle_;
  std::vector<Input> inputs_;
  std::uint64_t total_ = 0;
  int passes_ = 0;
};

template <class Policy>
void DuplicateCheck::FilterByRules(const Policy& policy) {
  RunCounts& counts = result_.counts;
  const bool twoPasses = Rules.keep != KeepRule::First;
  PieceWriter output;
  PieceWriter removed;
  PieceWriter countReport;
  // Lines read from a stream reach standard output whenever the stream is
  // quiet: at once while it trickles, in large pieces while it pours. So do the
  // lines of a followed file, to the output and to the observer.
  const bool streams = Streams();
  KeyBook* keys = nullptr;  // made below; read by the quiet handler
  const auto quiet = [&] {
    if (!streams && !Follow) return;
    if (Follow && keys != nullptr && monitor_.Observer().onKept) {
      counts.linesKept = keys->Size();
      counts.linesCounted = counts.linesRead - counts.linesSkipped;
      counts.duplicatesRemoved = counts.linesCounted - counts.linesKept;
      monitor_.Observer().onKept(output.Pending(), counts);
    }
    output.Flush();
  };
  RuledInputs inputs(*this, twoPasses, quiet);
  if (!inputs.Open()) return;
  monitor_.Begin(RunPhase::Filtering, inputs.Total());

  const bool liveOutput = Follow && !IsStandardStream(OutputPath);
  if (auto ec = liveOutput ? output.OpenLive(OutputPath) : output.Open(OutputPath, acceptStreams_))
    return FailWritingOutput(ec);
  if (!Reports.removedPath.empty()) {
    if (auto ec = removed.Open(Reports.removedPath, false))
      return Fail(FailedFile::RemovedReport, FailedStep::Writing, Reports.removedPath,
                  ec.message());
  }
  if (!Reports.countsPath.empty()) {
    if (auto ec = countReport.Open(Reports.countsPath, false))
      return Fail(FailedFile::CountReport, FailedStep::Writing, Reports.countsPath, ec.message());
  }

  // Time stamps are read only where a rule or the report uses them.
  const bool trails = !Reports.countsPath.empty() && PacketMode;
  const bool stamps = PacketMode && LogPrefixes && (Rules.windowSeconds > 0 || trails);
  KeyBook book(Rules, twoPasses || !Reports.countsPath.empty());
  keys = &book;
  // Lookups go in batches, their memory fetched ahead; a compared form that
  // the rules write lives in its candidate's own scratch buffer until judged.
  constexpr std::size_t kBatch = 16;
  std::array<std::string, kBatch> scratch;
  std::vector<CopyTrail> trailOf;
  // The frame as the tests read it: a line read from its start when stamps
  // and tags are not passed over.
  const auto frameOf = [this](std::string_view line) {
    return LogPrefixes ? PacketPolicy<true>::FrameOf(line) : line;
  };
  const auto writeKept = [&](std::string_view line) {
    DigiPathCut cut{};
    if (PacketMode && StripPath) {
      const std::size_t before = line.size() - frameOf(line).size();
      if (FindDigiPathCut(line.substr(before), cut)) {
        output.Append(line.substr(0, before + cut.keepPrefix));
        output.Append(line.substr(before + cut.resumeAt));
        output.Append(lineEnd_);
        return;
      }
    }
    output.Append(line);
    output.Append(lineEnd_);
  };
  // A removed line keeps its own line end; a last line without one gets the
  // run's, so that the next removed line starts a line of its own.
  bool lastRemoved = false;  // where a CR LF's late LF belongs
  const auto writeRemoved = [&](std::string_view line, std::string_view terminator) {
    removed.Append(line);
    removed.Append(terminator.empty() ? lineEnd_ : terminator);
    lastRemoved = true;
  };
  const auto lateLf = [&] {
    if (lastRemoved) removed.Append("\n");
  };

  std::uint64_t lineNumber = 0;
  std::string_view key;
  LogPrefixKind prefixKind = LogPrefixKind::None;
  // A line the tests let through, judged once the lookups of its batch are due.
  struct Candidate {
    std::string_view line, terminator;
    std::string_view key;  // its compared form
    std::uint64_t number;
    std::optional<std::int64_t> time;
    std::string_view stamp;
    std::uint32_t hash;
  };
  const auto judge = [&](const Candidate& c) {
    bool kept = false;
    const std::uint32_t number = book.MeetCompared(c.key, c.hash, c.number, c.time, kept);
    if (trails) {
      if (kept) trailOf.push_back({std::string(c.stamp), {}, {}});
      CopyTrail& trail = trailOf[number];
      trail.lastTime = c.stamp;
      AddPath(trail.paths, PathOf(frameOf(c.line)));
    }
    if (twoPasses) return;
    if (kept) {
      writeKept(c.line);
    } else {
      writeRemoved(c.line, c.terminator);
    }
  };
  std::array<Candidate, kBatch> batch{};
  std::size_t batched = 0;
  const auto judgeBatch = [&] {
    for (std::size_t i = 0; i < batched; ++i) book.PrefetchText(batch[i].hash, batch[i].key.size());
    for (std::size_t i = 0; i < batched; ++i) judge(batch[i]);
    batched = 0;
  };
  const bool read = inputs.ForEachLine([&](std::string_view line, std::string_view terminator) {
    if (line.data() == nullptr) {
      judgeBatch();
      if (!terminator.empty()) lateLf();
      return;
    }
    lastRemoved = false;
    ++lineNumber;
    ++counts.linesRead;
    const bool examined = policy.Examine(line, key, prefixKind);
    CountPrefix(prefixKind, counts);
    if (!examined) {
      ++counts.linesSkipped;
      return;
    }
    Candidate c{line, terminator, key, lineNumber, std::nullopt, {}, 0};
    if (stamps) {
      const LogPrefix prefix = FindLogPrefix(line);
      c.time = PrefixSeconds(line, prefix);
      c.stamp = PrefixStampText(line, prefix);
    }
    c.key = ComparableKey(key, Rules.compare, scratch[batched]);
    c.hash = HashText(c.key);
    book.Prefetch(c.hash);
    batch[batched++] = c;
    if (batched == kBatch) judgeBatch();
  });
  if (!read) return;
  counts.linesCounted = counts.linesRead - counts.linesSkipped;
  if (Follow) quiet();  // the last lines kept before the stop

  // The written lines, in input order, with the record of each: those still
  // to write, or those the count report lists (keeping the first, they were
  // written as they came, one per record).
  // Record numbers, 4 bytes a written line.
  std::vector<std::uint32_t> plan;
  const auto writtenLine = [&](std::uint32_t number) {
    return Rules.keep == KeepRule::Last ? book.records[number].lastLine
                                        : book.records[number].firstLine;
  };
  const std::vector<KeyRecord>& records = book.records;
  if (twoPasses || !Reports.countsPath.empty()) {
    for (std::uint32_t i = 0; i < book.Size(); ++i) {
      const KeyRecord& r = records[i];
      const bool written = Rules.keep == KeepRule::First || Rules.keep == KeepRule::Last ||
                           (Rules.keep == KeepRule::Once) == (r.count == 1);
      if (written) plan.push_back(i);
    }
    if (Rules.keep == KeepRule::Last) {
      std::sort(plan.begin(), plan.end(),
                [&](std::uint32_t a, std::uint32_t b) { return writtenLine(a) < writtenLine(b); });
    }
  }
  counts.linesKept = twoPasses ? plan.size() : book.Size();
  counts.duplicatesRemoved = counts.linesCounted - counts.linesKept;
  if (counts.linesKept == 0) {
    result_.outcome = RunOutcome::NothingKept;
    return;
  }

  // One pass wrote as it read: what is left to write is the last piece.
  const std::uint64_t writingTotal = twoPasses ? inputs.Total() : output.Written();
  monitor_.Begin(RunPhase::Writing, writingTotal);
  if (twoPasses) {
    lineNumber = 0;
    std::size_t next = 0;
    const bool wrote = inputs.ForEachLine([&](std::string_view line, std::string_view terminator) {
      if (line.data() == nullptr) {
        if (!terminator.empty()) lateLf();
        return;
      }
      lastRemoved = false;
      ++lineNumber;
      if (!policy.Examine(line, key, prefixKind)) return;
      if (next < plan.size() && writtenLine(plan[next]) == lineNumber) {
        ++next;
        writeKept(line);
      } else {
        writeRemoved(line, terminator);
      }
    });
    if (!wrote) return;
  }

  if (!Reports.countsPath.empty()) {
    std::string row = "line,count,first_line,last_line";
    if (PacketMode) row += ",first_time,last_time,heard_via";
    row += lineEnd_;
    for (const std::uint32_t number : plan) {
      const std::uint64_t line = writtenLine(number);
      const KeyRecord& r = records[number];
      row += std::to_string(line) + ',' + std::to_string(r.count) + ',' +
             std::to_string(r.firstLine) + ',' + std::to_string(r.lastLine);
      if (trails) {
        const CopyTrail& trail = trailOf[number];
        for (const std::string& field : {trail.firstTime, trail.lastTime, Joined(trail.paths)}) {
          row += ',';
          AppendCsvField(row, field);
        }
      } else if (PacketMode) {
        row += ",,,";
      }
      row += lineEnd_;
      countReport.Append(row);
      row.clear();
    }
  }

  // Every file is written out before any is put in place, and the reports go
  // first: a report that cannot be written leaves the output as it was. A
  // followed run ends on a cancel, and keeps what it wrote.
  if (!Follow && CancelIfAsked()) return;
  if (auto ec = output.Flush()) return FailWritingOutput(ec);
  if (auto ec = removed.Flush())
    return Fail(FailedFile::RemovedReport, FailedStep::Writing, Reports.removedPath, ec.message());
  if (auto ec = countReport.Flush())
    return Fail(FailedFile::CountReport, FailedStep::Writing, Reports.countsPath, ec.message());
  if (auto ec = countReport.Commit())
    return Fail(FailedFile::CountReport, FailedStep::Writing, Reports.countsPath, ec.message());
  if (auto ec = removed.Commit())
    return Fail(FailedFile::RemovedReport, FailedStep::Writing, Reports.removedPath, ec.message());
  if (auto ec = output.Commit()) return FailWritingOutput(ec);
  counts.bytesWritten = output.Written();
  monitor_.Complete(writingTotal);
}

void DuplicateCheck::FilterByRules() {
  const UpperCaser upper;
  if (!PacketMode) {
    FilterByRules(TextPolicy{});
  } else if (LogPrefixes) {
    FilterByRules(PacketPolicy<true>{upper, TrimmedTarget, StripPath});
  } else {
    FilterByRules(PacketPolicy<false>{upper, TrimmedTarget, StripPath});
  }
}

}  // namespace sievra
