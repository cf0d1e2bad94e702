#include "backends/sqlite/sql.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>

namespace sqlite_host {
namespace {

enum class Colour : int64_t { kRed = 0, kBlue = 7 };

class SqlTest : public testing::Test {
 protected:
  SqlTest()
      : dir_(std::filesystem::temp_directory_path() / ("sql-test-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(dir_);
    db_ = std::make_unique<Connection>((dir_ / "test.db").string(), true);
    db_->Exec("CREATE TABLE t (id INTEGER PRIMARY KEY, a, b, c, d, e)");
  }
  ~SqlTest() override {
    db_.reset();
    std::filesystem::remove_all(dir_);
  }

  std::filesystem::path dir_;
  std::unique_ptr<Connection> db_;
};

// Each value goes in through its own Bind and comes back through its own
// reader, and the integer the file holds is the value itself: an unsigned
// maximum stored as -1 would break the schema's range checks.
TEST_F(SqlTest, BindsAndReadsEachTypeAsTheIntegerItIs) {
  constexpr uint32_t kMaxUnsigned = std::numeric_limits<uint32_t>::max();
  constexpr int32_t kMinSigned = std::numeric_limits<int32_t>::min();
  db_->Run("INSERT INTO t (a, b, c, d, e) VALUES (?1, ?2, ?3, ?4, ?5)", kMaxUnsigned, kMinSigned,
           true, Colour::kBlue, std::string("x"));
  auto st = db_->Prepare("SELECT a, b, c, d, e FROM t");
  ASSERT_TRUE(st->Step());
  EXPECT_EQ(st->Int(0), int64_t{4294967295});
  EXPECT_EQ(st->UInt32(0), kMaxUnsigned);
  EXPECT_EQ(st->Int(1), int64_t{-2147483648});
  EXPECT_EQ(st->Int32(1), kMinSigned);
  EXPECT_EQ(st->Int(2), 1);
  EXPECT_TRUE(st->Bool(2));
  EXPECT_EQ(st->Int(3), 7);
  EXPECT_EQ(st->Code<Colour>(3), Colour::kBlue);
  EXPECT_EQ(st->Text(4), "x");
}

// Optional values: an empty one leaves its parameter NULL, also on a cached
// statement that held a value the time before; Run says how many rows changed.
TEST_F(SqlTest, LeavesEmptyOptionalsNullAndCountsChangedRows) {
  const char* insert = "INSERT INTO t (a, b) VALUES (?1, ?2)";
  EXPECT_EQ(db_->Run(insert, std::optional<int64_t>(5), std::optional<std::string>("x")), 1);
  EXPECT_EQ(db_->Run(insert, std::optional<int64_t>(), std::optional<std::string>()), 1);
  {
    auto st = db_->Prepare("SELECT a, b FROM t ORDER BY id");
    ASSERT_TRUE(st->Step());
    EXPECT_EQ(st->Int(0), 5);
    EXPECT_EQ(st->Text(1), "x");
    ASSERT_TRUE(st->Step());
    EXPECT_TRUE(st->IsNull(0));
    EXPECT_TRUE(st->IsNull(1));
  }
  EXPECT_EQ(db_->Run("UPDATE t SET c = ?1 WHERE a IS NULL OR a = ?2", false, int64_t{5}), 2);
  EXPECT_EQ(db_->Run("DELETE FROM t WHERE a = ?1", int64_t{6}), 0);
}

}  // namespace
}  // namespace sqlite_host
