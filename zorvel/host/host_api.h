#ifndef ZORVEL_HOST_HOST_API_H_
#define ZORVEL_HOST_HOST_API_H_

// The stand-in host's HostApiTable over the in-memory objects of host_model.h.
//
//   HostApi api;                                   // one host instance
//   const HostApiTable* table = api.table();       // what the plug-in is given
//   ZorvelModel handle = api.Handle(model);        // handles to pass along with it
//   api.RemoveEntry(18);                           // entry 18 becomes a null pointer
//   api.FailEntry(12, 77, /*succeed_first=*/2);    // the third and later calls return 77
//   api.FailEntry(12, 77, 2, /*fail_calls=*/1);    // only the third call returns 77
//
// Each HostApi owns its own table and fault state, so several can be used side by side. Taking a
// handle attaches the object (for a subgraph, op or tensor: its whole model) to this instance's
// fault state; an object belongs to one instance at a time. Handles stay valid while the object
// lives.
//
// Statuses the entries return for host-side failures:
//   kZorvelStatusErrorInvalidArgument (1)   a null or wrong-kind handle, a null out-pointer; a
//       query that does not apply to the object: the ranked type of an unranked tensor (18), a
//       quantization record of another kind (21, 22), composite fields of an op that is not a
//       composite (29-32), a per-op option of another op code (38-126); a rejected selection (33);
//       composite attributes larger than an int32 can count (31).
//   kZorvelStatusErrorNotFound (3)   no opaque options entry with that identifier (35); no
//       environment option with that tag (37).
//   kZorvelStatusErrorIndexOutOfRange (1000)   an index past the end of a list (2, 4, 6, 8, 12,
//       14).
// Injected failures return whatever status was chosen, without side effects.

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "absl/base/thread_annotations.h"
#include "absl/synchronization/mutex.h"
#include "zorvel/c/zorvel_host_api.h"
#include "zorvel/host/host_model.h"
#include "zorvel/host/host_partition.h"

namespace zorvel::host {

// Per-instance fault injection and call counting, consulted by every entry.
class HostFaults {
 public:
  HostFaults() = default;
  HostFaults(const HostFaults&) = delete;
  HostFaults& operator=(const HostFaults&) = delete;

  // Counts a call of `entry` and returns the status it must fail with, or kZorvelStatusOk.
  ZorvelStatus Enter(int entry) const;

  void Fail(int entry, ZorvelStatus status, uint64_t succeed_first, uint64_t fail_calls);
  void Clear(int entry);
  void ClearAll();
  uint64_t Calls(int entry) const;
  void ResetCalls();

  // While enabled, every call is also appended to a trace of entry numbers.
  void SetTracing(bool on);
  std::vector<int> TakeTrace();

 private:
  struct Slot {
    mutable std::atomic<uint64_t> calls{0};
    std::atomic<ZorvelStatus> status{kZorvelStatusOk};
    std::atomic<uint64_t> fail_from_call{0};  // calls before this one succeed
    std::atomic<uint64_t> fail_calls{0};      // how many fail from there; 0 for all
  };
  std::array<Slot, ZORVEL_HOST_API_NUM_ENTRIES + 1> slots_;
  std::atomic<bool> tracing_{false};
  mutable absl::Mutex trace_mutex_;
  mutable std::vector<int> trace_ ABSL_GUARDED_BY(trace_mutex_);
};

class HostApi {
 public:
  HostApi();
  HostApi(const HostApi&) = delete;
  HostApi& operator=(const HostApi&) = delete;

  // The table to hand to the plug-in. Lives as long as this object.
  const HostApiTable* table() const { return &table_; }

  // The complete table, with every entry this host implements.
  static const HostApiTable& FullTable();

  // --- Fault injection (entry numbers 1-138) ------------------------------------------------
  // Makes the entry absent: a null pointer in this instance's table.
  void RemoveEntry(int entry);
  void RestoreEntry(int entry);
  void RestoreAllEntries();
  // From now on the entry returns `status` without doing anything, once `succeed_first` more
  // calls have run normally: every later call, or only `fail_calls` of them when that is not 0.
  // A status of kZorvelStatusOk clears the failure.
  void FailEntry(int entry, ZorvelStatus status, uint64_t succeed_first = 0,
                 uint64_t fail_calls = 0);
  void ClearFailures() { faults_.ClearAll(); }
  // Calls made through entry `entry` on objects attached to this instance (failed calls included).
  uint64_t CallCount(int entry) const { return faults_.Calls(entry); }
  void ResetCallCounts() { faults_.ResetCalls(); }
  // Records the entry number of every call from now on, in call order (for tests that check the
  // order of host calls). TakeCallTrace returns the calls so far and starts a new trace.
  void StartCallTrace() { faults_.SetTracing(true); }
  std::vector<int> TakeCallTrace() { return faults_.TakeTrace(); }

  // --- Handles --------------------------------------------------------------------------------
  ZorvelModel Handle(HostModel& model);
  ZorvelSubgraph Handle(HostSubgraph& subgraph);
  ZorvelOp Handle(HostOp& op);
  ZorvelTensor Handle(HostTensor& tensor);
  ZorvelWeights Handle(HostWeights& weights);
  ZorvelOptions Handle(HostOptions& options);
  ZorvelEnvironment Handle(HostEnvironment& environment);
  ZorvelSelectedOps Handle(HostSelectedOps& selected_ops);

 private:
  HostFaults faults_;
  HostApiTable table_;
};

}  // namespace zorvel::host

#endif  // ZORVEL_HOST_HOST_API_H_
