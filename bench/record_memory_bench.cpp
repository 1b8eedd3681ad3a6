// Cost of the record address space: allocation churn and checked reads.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/record_memory.h"

namespace {

void BM_RecordAllocFree(benchmark::State& state) {
  RecordMemory mem;
  const size_t live = static_cast<size_t>(state.range(0));
  std::vector<uint32_t> blocks;
  for (size_t i = 0; i < live; ++i) blocks.push_back(mem.Alloc(48));
  size_t next = 0;
  for (auto _ : state) {
    // Replace one block: a free and an alloc among `live` others.
    mem.Free(blocks[next]);
    blocks[next] = mem.Alloc(48);
    benchmark::DoNotOptimize(blocks[next]);
    next = (next + 1) % live;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordAllocFree)->Arg(100)->Arg(10000)->Arg(100000);

void BM_RecordReadU32(benchmark::State& state) {
  RecordMemory mem;
  const size_t live = static_cast<size_t>(state.range(0));
  std::vector<uint32_t> blocks;
  for (size_t i = 0; i < live; ++i) blocks.push_back(mem.Alloc(64));
  size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(mem.ReadU32(blocks[next] + 12));
    next = (next + 7919) % live;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordReadU32)->Arg(100)->Arg(10000)->Arg(100000);

void BM_RecordReadRecord(benchmark::State& state) {
  RecordMemory mem;
  uint32_t a = mem.Alloc(256);
  unsigned char buf[256];
  for (auto _ : state) {
    benchmark::DoNotOptimize(mem.Read(a, buf, sizeof buf));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(sizeof buf));
}
BENCHMARK(BM_RecordReadRecord);

}  // namespace
