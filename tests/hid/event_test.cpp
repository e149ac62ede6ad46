#include <gtest/gtest.h>

#include "hid/hid_event.h"

namespace ombrel {
namespace {

struct Form {
  int Calls = 0;
  void DeviceData(int) { ++Calls; }
  void Other(int) {}
};

void Plain(int) {}

TEST(EventTest, EventsBoundToTheSameObjectAndMethodAreEqual) {
  using E = Event<void(int)>;
  Form a, b;
  EXPECT_TRUE(E(&a, &Form::DeviceData) == E(&a, &Form::DeviceData));
  EXPECT_FALSE(E(&a, &Form::DeviceData) == E(&b, &Form::DeviceData));
  EXPECT_FALSE(E(&a, &Form::DeviceData) == E(&a, &Form::Other));
  EXPECT_TRUE(E(&Plain) == E(&Plain));
  EXPECT_TRUE(E() == E(nullptr));
  EXPECT_FALSE(E(&Plain) == E());

  E lambda = [](int) {};
  E copy = lambda;
  EXPECT_TRUE(copy == lambda);
  EXPECT_FALSE(lambda == E([](int) {})) << "separately made callables are different handlers";

  E bound(&a, &Form::DeviceData);
  bound(1);
  copy = bound;
  copy(2);
  EXPECT_EQ(a.Calls, 2);
  EXPECT_FALSE(static_cast<bool>(E()));
}

}  // namespace
}  // namespace ombrel
