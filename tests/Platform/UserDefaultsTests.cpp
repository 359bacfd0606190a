#include "Platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <thread>

namespace tavro::platform {
namespace {

TEST(InMemoryUserDefaults, ReadsEachValueOnlyAsItsOwnType) {
  InMemoryUserDefaults store;
  EXPECT_EQ(store.value("missing"), std::nullopt);
  EXPECT_EQ(store.boolean("missing"), std::nullopt);

  store.set("flag", true);
  store.set("count", 42);
  store.set("big", std::int64_t{1} << 62);
  store.set("ratio", 0.5);
  store.set("name", "N5");
  store.set("bytes", DefaultsData{0, 255});

  EXPECT_EQ(store.boolean("flag"), true);
  EXPECT_EQ(store.integer("count"), 42);
  EXPECT_EQ(store.integer("big"), std::int64_t{1} << 62);
  EXPECT_EQ(store.number("ratio"), 0.5);
  EXPECT_EQ(store.string("name"), "N5");
  EXPECT_EQ(store.data("bytes"), (DefaultsData{0, 255}));

  // No conversions: another type reads as no value.
  EXPECT_EQ(store.integer("flag"), std::nullopt);
  EXPECT_EQ(store.boolean("count"), std::nullopt);
  EXPECT_EQ(store.number("count"), std::nullopt);
  EXPECT_EQ(store.boolean("name"), std::nullopt);
  EXPECT_EQ(store.string("bytes"), std::nullopt);

  store.set("count", "many");  // a new value of another type replaces the old one
  EXPECT_EQ(store.string("count"), "many");
  EXPECT_EQ(store.integer("count"), std::nullopt);

  store.removeValue("count");
  store.removeValue("never-set");
  EXPECT_EQ(store.value("count"), std::nullopt);
  EXPECT_EQ(store.keys(), (std::vector<std::string>{"big", "bytes", "flag", "name", "ratio"}));
}

TEST(InMemoryUserDefaults, ServesSeveralThreads) {
  InMemoryUserDefaults store;
  std::vector<std::thread> threads;
  for (int thread = 0; thread < 4; ++thread) {
    threads.emplace_back([&store, thread] {
      std::string key = "key" + std::to_string(thread);
      for (int index = 0; index < 2000; ++index) {
        store.set(key, index);
        store.set("shared", index % 2 == 0);
        (void)store.boolean("shared");
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int thread = 0; thread < 4; ++thread) EXPECT_EQ(store.integer("key" + std::to_string(thread)), 1999);
  EXPECT_TRUE(store.boolean("shared").has_value());
}

}  // namespace
}  // namespace tavro::platform
