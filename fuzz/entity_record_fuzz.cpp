// Fuzz target for reading entity records from outside: the input becomes a record and
// up to four blocks in record memory, which a control connected to the reference host
// loads for editing and highlights.
//
// Input: segments of a 16-bit little-endian length and that many bytes; the first is
// the record, the others blocks 1 to 4. A pointer field of the record (polyline XY, Z,
// part and part flag blocks; polygon XY, ring and Z blocks) holding 1 to 4 is replaced
// by the address of that block, so the fuzzer reaches well-formed records easily; any
// other value stays as it is and is read as an address.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "control/qarnedit_ctrl.h"
#include "fuzz/mutator.h"
#include "hostlink/ntt_record.h"
#include "platform/desktop.h"
#include "platform/record_memory.h"
#include "refhost/reference_host.h"

namespace qarn_fuzz {

inline void RequireEntity(bool ok) {
  if (!ok) std::abort();
}

// Edits aimed at the fields a record reader trusts: counts, pointers, sizes.
inline const Mutations& EntityMutations() {
  static const Mutations m{2,
                           {0, 1, 2, 3, 4, 5, 0x7F, 0x80, 128, 129, 0xFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu,
                            10'000'000, 10'000'001},
                           {},
                           {},
                           0};
  return m;
}

class EntityFuzzer {
 public:
  static constexpr size_t kBlocks = 4;

  EntityFuzzer() {
    QarneditModuleInit();
    m_ctl = new CQarneditCtrl();
    m_ctl->SetQarnocx(m_host.GetDispatch());
  }
  ~EntityFuzzer() {
    m_ctl->abortEdit();
    m_ctl->Release();
  }
  EntityFuzzer(const EntityFuzzer&) = delete;
  EntityFuzzer& operator=(const EntityFuzzer&) = delete;

  // Whether the record was accepted for editing.
  bool Run(const uint8_t* data, size_t size) {
    RecordMemory& memory = QarnRecordMemory();
    std::vector<uint32_t> blocks;  // [0] the record
    for (size_t at = 0; blocks.size() <= kBlocks && at + 2 <= size;) {
      size_t len = data[at] | (size_t{data[at + 1]} << 8);
      at += 2;
      if (len > size - at) len = size - at;
      uint32_t block = memory.Alloc(len);
      if (block && len) memory.Write(block, data + at, len);
      blocks.push_back(block);
      at += len;
    }
    const uint32_t record = blocks.empty() ? 0 : blocks[0];
    if (record) LinkBlocks(record, blocks);

    EditController& editor = *m_ctl->m_pEditController;
    const bool loaded = m_ctl->editNTT(static_cast<LONG>(record)) != FALSE;
    if (loaded) {
      RequireEntity(editor.Mode() >= MODE_POLYLINE && editor.Mode() <= MODE_POINT);
      RequireEntity(editor.GetFigure().RingCount() >= 1 && editor.GetFigure().RingCount() <= editor.RingArrayLength());
      for (int32_t r = 0; r < editor.GetFigure().RingCount(); ++r) {
        RequireEntity(editor.GetFigure().VertexCount(r) >= 0);
        RequireEntity(editor.GetFigure().VertexCount(r) <= editor.GetFigure().Room(r));
      }
      // What the editor saves it must be able to load again.
      if (m_ctl->saveEdit()) {
        const uint32_t saved = static_cast<uint32_t>(m_ctl->getDrawnNTT());
        RequireEntity(saved != 0);
        RequireEntity(m_ctl->editNTT(static_cast<LONG>(saved)) != FALSE);
      }
      m_ctl->abortEdit();  // frees the saved record too
    } else {
      RequireEntity(!m_ctl->isEditing());
    }

    m_ctl->hiliteNttVertexes(static_cast<LONG>(record));
    RequireEntity(editor.MarkCount() >= 0 && editor.MarkCount() <= editor.Marks().capacity);
    m_ctl->hiliteNttVertexes(0);
    RequireEntity(editor.MarkCount() == 0);

    for (uint32_t block : blocks)
      if (block) memory.Free(block);
    QarnDesktop().messageBoxes.clear();
    m_host.calls.clear();
    return loaded;
  }

 private:
  static void LinkBlocks(uint32_t record, const std::vector<uint32_t>& blocks) {
    RecordMemory& memory = QarnRecordMemory();
    uint32_t type = 0;
    if (!memory.Read(record + ntt::kType, &type, 4)) return;
    std::vector<size_t> pointers;
    if (type == ntt::kPolyline) pointers = {ntt::kPlXY, ntt::kPlZ, ntt::kPlParts, ntt::kPlPartFlags};
    if (type == ntt::kPolygon) pointers = {ntt::kPgXY, ntt::kPgRings, ntt::kPgZ};
    for (size_t offset : pointers) {
      uint32_t value = 0;
      if (!memory.Read(record + static_cast<uint32_t>(offset), &value, 4)) continue;
      if (value >= 1 && value <= kBlocks && value < blocks.size())
        memory.Write(record + static_cast<uint32_t>(offset), &blocks[value], 4);
    }
  }

  ReferenceHost m_host;
  CQarneditCtrl* m_ctl = nullptr;
};

}  // namespace qarn_fuzz

#ifndef QARN_FUZZ_NO_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static qarn_fuzz::EntityFuzzer* fuzzer = new qarn_fuzz::EntityFuzzer();  // lives as long as the process
  fuzzer->Run(data, size);
  return 0;
}
QARN_FUZZ_CUSTOM_MUTATOR(qarn_fuzz::EntityMutations())
#endif
