// Runs that judge duplicates by rules other than the plain one, write reports
// or read several inputs. They take this path, on one thread, so that the
// plain run keeps its speed and memory untouched.

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
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
  std::int64_t keptTime = 0;  // the first line's time stamp, when `stamped`
  bool stamped = false;
};

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
  explicit KeyBook(const DuplicateRules& rules) : rules_(rules) {
    keys_.SetLineEnd("\n");  // no compared key holds a line end
    index_.Reset(0, "\n");
  }

  // Meets `key` on line `line`: the record it counts to, with `kept` set when
  // the line starts a record of its own (a new key, or a copy outside the window).
  std::uint32_t Meet(std::string_view key, std::uint64_t line, std::optional<std::int64_t> time,
                     bool& kept) {
    const std::string_view compared = ComparableKey(key, rules_.compare, scratch_);
    const char* found = index_.Find(HashText(compared), compared);
    kept = true;
    if (found == nullptr) {
      const std::uint32_t number = NewRecord(line, time);
      char head[sizeof number];
      std::memcpy(head, &number, sizeof number);
      const std::string_view stored = keys_.Store({head, sizeof head}, compared);
      index_.Insert(stored.data() + sizeof number);
      if (index_.Full()) index_.Enlarge();
      return number;
    }
    // The table's own bytes: the record number before the key is rewritten
    // when a copy outside the window becomes the one later copies are judged against.
    char* numberAt = const_cast<char*>(found) - sizeof(std::uint32_t);
    std::uint32_t number = 0;
    std::memcpy(&number, numberAt, sizeof number);
    KeyRecord& record = records[number];
    if (!OutsideWindow(record, time)) {
      kept = false;
      ++record.count;
      record.lastLine = line;
      return number;
    }
    number = NewRecord(line, time);
    std::memcpy(numberAt, &number, sizeof number);
    return number;
  }

  std::vector<KeyRecord> records;

 private:
  bool OutsideWindow(const KeyRecord& record, std::optional<std::int64_t> time) const {
    if (rules_.windowSeconds == 0 || !time || !record.stamped) return false;
    const std::int64_t apart =
        *time > record.keptTime ? *time - record.keptTime : record.keptTime - *time;
    return apart > static_cast<std::int64_t>(rules_.windowSeconds);
  }
  std::uint32_t NewRecord(std::uint64_t line, std::optional<std::int64_t> time) {
    if (records.size() >= UINT32_MAX) throw std::bad_alloc();  // beyond the record numbers
    records.push_back({line, line, 1, time.value_or(0), time.has_value()});
    return static_cast<std::uint32_t>(records.size() - 1);
  }

  const DuplicateRules rules_;
  KeptLineTable keys_;
  LineIndex index_;
  std::string scratch_;
};

}  // namespace

bool DuplicateCheck::JudgesByRules() const {
  return !Rules.IsDefault() || Reports.Any() || !MoreInputPaths.empty();
}

// Reads the inputs in order, line by line. Regular files are read again on a
// second pass; a stream, read once, is kept in memory for it.
class DuplicateCheck::RuledInputs {
 public:
  RuledInputs(DuplicateCheck& run, bool twoPasses) : run_(run), twoPasses_(twoPasses) {}

  // Opens every input; false, with the run failed, when one cannot be opened.
  bool Open() {
    std::vector<std::string> paths{run_.InputPath};
    paths.insert(paths.end(), run_.MoreInputPaths.begin(), run_.MoreInputPaths.end());
    for (const std::string& path : paths) {
      auto in = std::make_unique<InputFile>();
      if (auto ec = in->Open(path, run_.acceptStreams_)) {
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
  // the line's own end (empty for a file's last line without one), except that
  // the LF of a CR LF that a read cut in two may come late, as a call with a
  // null line. False when the run failed or was cancelled.
  template <class Each>
  bool ForEachLine(const Each& each) {
    std::uint64_t before = 0;  // bytes of the inputs done
    for (Input& input : inputs_) {
      if (passes_ > 0 && input.stream) {
        for (const std::string& block : input.spool) EachLineOf(block, each);
        continue;
      }
      if (passes_ > 0 && !Reopen(input)) return false;
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
        if (endsInCr && reader.DroppedLf()) {
          each(std::string_view{}, std::string_view("\n"));
          if (!input.spool.empty()) input.spool.back() += '\n';
        }
        if (block.empty()) break;
        if (input.stream && twoPasses_) input.spool.emplace_back(block);
        endsInCr = EachLineOf(block, each);
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
    std::unique_ptr<InputFile> file;  // null once read
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
    return endsInCr;
  }

  bool Reopen(Input& input) {
    input.file = std::make_unique<InputFile>();
    if (auto ec = input.file->Open(input.path, run_.acceptStreams_)) {
      run_.FailReading(input.path, ec);
      return false;
    }
    // A live log read again yields what the first pass judged, not what came since.
    input.file->StopAt(input.bytesRead);
    return true;
  }

  DuplicateCheck& run_;
  const bool twoPasses_;
  std::vector<Input> inputs_;
  std::uint64_t total_ = 0;
  int passes_ = 0;
};

template <class Policy>
void DuplicateCheck::FilterByRules(const Policy& policy) {
  RunCounts& counts = result_.counts;
  const bool twoPasses = Rules.keep != KeepRule::First;
  RuledInputs inputs(*this, twoPasses);
  monitor_.Begin(RunPhase::Counting, 0);
  if (!inputs.Open()) return;
  monitor_.Complete(0);

  PieceWriter output;
  PieceWriter removed;
  PieceWriter countReport;
  if (auto ec = output.Open(OutputPath, acceptStreams_)) return FailWritingOutput(ec);
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
  KeyBook book(Rules);
  std::vector<CopyTrail> trailOf;
  // The frame as the tests read it: a line read from its start when stamps
  // and tags are not passed over.
  const auto frameOf = [this](std::string_view line) {
    return LogPrefixes ? PacketPolicy<true>::FrameOf(line) : line;
  };
  const auto writeKept = [&](std::string_view line) {
    DigiPathCut cut{};
    const std::size_t before = line.size() - frameOf(line).size();
    if (PacketMode && StripPath && FindDigiPathCut(line.substr(before), cut)) {
      output.Append(line.substr(0, before + cut.keepPrefix));
      output.Append(line.substr(before + cut.resumeAt));
    } else {
      output.Append(line);
    }
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
  const bool read = inputs.ForEachLine([&](std::string_view line, std::string_view terminator) {
    if (line.data() == nullptr) return lateLf();
    lastRemoved = false;
    ++lineNumber;
    ++counts.linesRead;
    const bool examined = policy.Examine(line, key, prefixKind);
    CountPrefix(prefixKind, counts);
    if (!examined) {
      ++counts.linesSkipped;
      return;
    }
    std::optional<std::int64_t> time;
    std::string_view stamp;
    if (stamps) {
      const LogPrefix prefix = FindLogPrefix(line);
      time = PrefixSeconds(line, prefix);
      stamp = PrefixStampText(line, prefix);
    }
    bool kept = false;
    const std::uint32_t number = book.Meet(key, lineNumber, time, kept);
    if (trails) {
      if (kept) trailOf.push_back({std::string(stamp), {}, {}});
      CopyTrail& trail = trailOf[number];
      trail.lastTime = stamp;
      AddPath(trail.paths, PathOf(frameOf(line)));
    }
    if (twoPasses) return;
    if (kept) {
      writeKept(line);
    } else {
      writeRemoved(line, terminator);
    }
  });
  if (!read) return;
  counts.linesCounted = counts.linesRead - counts.linesSkipped;

  // The written lines, in input order, with the record of each.
  std::vector<std::pair<std::uint64_t, std::uint32_t>> plan;
  const std::vector<KeyRecord>& records = book.records;
  for (std::uint32_t i = 0; i < records.size(); ++i) {
    const KeyRecord& r = records[i];
    switch (Rules.keep) {
      case KeepRule::First:
        plan.emplace_back(r.firstLine, i);
        break;
      case KeepRule::Last:
        plan.emplace_back(r.lastLine, i);
        break;
      case KeepRule::Once:
        if (r.count == 1) plan.emplace_back(r.firstLine, i);
        break;
      case KeepRule::Repeated:
        if (r.count > 1) plan.emplace_back(r.firstLine, i);
        break;
    }
  }
  if (Rules.keep == KeepRule::Last) std::sort(plan.begin(), plan.end());
  counts.linesKept = plan.size();
  counts.duplicatesRemoved = counts.linesCounted - counts.linesKept;
  if (plan.empty()) {
    result_.outcome = RunOutcome::NothingKept;
    return;
  }

  monitor_.Begin(RunPhase::Writing, twoPasses ? inputs.Total() : 0);
  if (twoPasses) {
    lineNumber = 0;
    std::size_t next = 0;
    const bool wrote = inputs.ForEachLine([&](std::string_view line, std::string_view terminator) {
      if (line.data() == nullptr) return lateLf();
      lastRemoved = false;
      ++lineNumber;
      if (!policy.Examine(line, key, prefixKind)) return;
      if (next < plan.size() && plan[next].first == lineNumber) {
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
    for (const auto& [line, number] : plan) {
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
  // first: a report that cannot be written leaves the output as it was.
  if (CancelIfAsked()) return;
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
  monitor_.Complete(counts.bytesWritten);
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
