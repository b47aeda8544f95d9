#include "platform/com/Stream.h"

#include <gtest/gtest.h>

namespace {

TEST(MemoryStream, ReadWriteSeekAndClone) {
  auto s = com::MemoryStream::Over("abcdef");
  char buf[8] = {};
  ULONG n = 0;
  EXPECT_EQ(s->Read(buf, 4, &n), S_OK);
  EXPECT_EQ(std::string(buf, n), "abcd");
  EXPECT_EQ(s->Read(buf, 4, &n), S_FALSE);  // only two left
  EXPECT_EQ(std::string(buf, n), "ef");

  struct SeekCase {
    LONGLONG move;
    DWORD origin;
    HRESULT hr;
    ULONGLONG position;
  };
  const SeekCase seeks[] = {
      {0, STREAM_SEEK_SET, S_OK, 0},
      {-2, STREAM_SEEK_END, S_OK, 4},
      {1, STREAM_SEEK_CUR, S_OK, 5},
      {-6, STREAM_SEEK_CUR, STG_E_INVALIDFUNCTION, 5},
      {10, STREAM_SEEK_SET, S_OK, 10},
      {0, 7, STG_E_INVALIDFUNCTION, 10},
      {1LL << 40, STREAM_SEEK_SET, STG_E_MEDIUMFULL, 10},
  };
  for (const SeekCase& c : seeks) {
    ULONGLONG at = 99;
    EXPECT_EQ(s->Seek(c.move, c.origin, &at), c.hr) << c.move;
    EXPECT_EQ(s->Seek(0, STREAM_SEEK_CUR, &at), S_OK);
    EXPECT_EQ(at, c.position) << c.move;
  }
  // Writing past the end fills the gap with zeros.
  EXPECT_EQ(s->Write("Z", 1, &n), S_OK);
  STATSTG st;
  EXPECT_EQ(s->Stat(&st, 0), S_OK);
  EXPECT_EQ(st.cbSize, 11u);
  EXPECT_EQ(static_cast<com::MemoryStream*>(s.get())->Bytes(), QByteArray("abcdef\0\0\0\0Z", 11));

  com::Ref<IStream> clone;
  ASSERT_EQ(s->Clone(clone.Out()), S_OK);
  clone->Seek(0, STREAM_SEEK_SET, nullptr);
  QByteArray all;
  EXPECT_EQ(com::ReadRest(clone.get(), all), S_OK);
  EXPECT_EQ(all.size(), 11);
  EXPECT_EQ(com::ReadRest(s.get(), all), S_OK);  // the original stays at its end
  EXPECT_TRUE(all.isEmpty());

  EXPECT_EQ(s->SetSize(3), S_OK);
  s->Seek(0, STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(com::ReadRest(s.get(), all, 2), E_OUTOFMEMORY);
  s->Seek(0, STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(com::ReadRest(s.get(), all, 3), S_OK);  // exactly the limit
  EXPECT_EQ(all, QByteArray("abc"));
  s->Seek(1, STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(com::ReadAtMost(s.get(), 1, all), S_OK);
  EXPECT_EQ(all, QByteArray("b"));
  EXPECT_EQ(com::ReadAtMost(s.get(), 1LL << 40, all), S_OK);  // no allocation for the count
  EXPECT_EQ(all, QByteArray("c"));
  EXPECT_EQ(s->Read(nullptr, 1, &n), STG_E_INVALIDPOINTER);
}

}  // namespace
