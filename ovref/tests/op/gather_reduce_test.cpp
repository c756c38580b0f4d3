#include "op_test_utils.hpp"
#include "openvino/op/gather.hpp"
#include "openvino/op/reduce_max.hpp"
#include "openvino/op/reduce_mean.hpp"
#include "openvino/op/reduce_min.hpp"
#include "openvino/op/reduce_prod.hpp"
#include "openvino/op/reduce_sum.hpp"
#include "openvino/op/scatter_elements_update.hpp"

namespace {

using namespace ovref_test;
using ov::PartialShape;
namespace element = ov::element;
namespace v1 = ov::op::v1;
namespace v8 = ov::op::v8;
namespace v12 = ov::op::v12;
using Reduction = v12::ScatterElementsUpdate::Reduction;

std::shared_ptr<ov::op::v0::Constant> scalar(int64_t v) {
  return constant(element::i64, ov::Shape{}, std::vector<int64_t>{v});
}

TEST(Gather, ShapeInference) {
  auto g = std::make_shared<v8::Gather>(param(element::f32, {5, 6, 7}), param(element::i32, {2, 3}),
                                        scalar(-2));
  EXPECT_EQ(g->get_output_partial_shape(0), (PartialShape{5, 2, 3, 7}));
  EXPECT_EQ(g->get_axis(), 1);
  auto batched = std::make_shared<v8::Gather>(param(element::f32, {2, 6, 7}),
                                              param(element::i32, {-1, 3}), scalar(1), -1);
  EXPECT_EQ(batched->get_output_partial_shape(0), (PartialShape{2, 3, 7}));
  EXPECT_EQ(batched->get_batch_dims(), 1);
  auto unknown = std::make_shared<v8::Gather>(param(element::f32, {5, 6}), param(element::i32, {4}),
                                              param(element::i64, {}));
  EXPECT_EQ(unknown->get_output_partial_shape(0), PartialShape::dynamic(2));
  EXPECT_THROW(std::make_shared<v8::Gather>(param(element::f32, {5, 6}), param(element::i32, {4}),
                                            scalar(2)),
               ov::NodeValidationFailure);
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v8::Gather>(param(element::f32, {2, 6}), param(element::i32, {2, 3}),
                                     scalar(0), 1);
      },
      "After normalization batch_dims must be <= axis"));
  EXPECT_EQ(std::make_shared<v8::Gather>(param(element::f32, PartialShape::dynamic()),
                                         param(element::i32, {4}), scalar(0))
                ->get_output_partial_shape(0),
            PartialShape::dynamic());
}

TEST(Gather, NegativeAndOutOfRangeIndices) {
  auto data = param(element::f32, {5});
  auto idx = param(element::i64, {3});
  auto out = run({std::make_shared<v8::Gather>(data, idx, scalar(0))}, {data, idx},
                 {tensor<float>(element::f32, {5}, {1, 2, 3, 4, 5}),
                  tensor<int64_t>(element::i64, {3}, {3, 10, -20})});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{4, 0, 0}));

  auto m = param(element::i32, {2, 3});
  auto cols = param(element::i32, {2});
  auto rows = run({std::make_shared<v8::Gather>(m, cols, scalar(1)),
                   std::make_shared<v8::Gather>(m, cols, scalar(1), 1)},
                  {m, cols},
                  {tensor<int>(element::i32, {2, 3}, {1, 2, 3, 4, 5, 6}),
                   tensor<int>(element::i32, {2}, {-1, 0})});
  EXPECT_EQ(values<int>(rows[0]), (std::vector<int>{3, 1, 6, 4}));
  // batch_dims = 1: row i takes column indices[i].
  EXPECT_EQ(values<int>(rows[1]), (std::vector<int>{3, 4}));
}

TEST(Gather, PackedDataKeepsItsPacking) {
  // i4 rows of 3 elements, element 0 in the low nibble: {1, -2, 3}, {-4, 5, -6}, {7, -8, 0}.
  const uint8_t bytes[] = {0xE1, 0xC3, 0xA5, 0x87, 0x00};
  auto data = std::make_shared<ov::op::v0::Constant>(element::i4, ov::Shape{3, 3}, bytes);
  auto idx = param(element::i32, {3});
  auto gathered = std::make_shared<v8::Gather>(data, idx, scalar(0));
  EXPECT_TRUE(gathered->has_evaluate());
  auto out = run({gathered}, {idx}, {tensor<int>(element::i32, {3}, {2, 0, 7})});
  ASSERT_EQ(out[0].get_element_type(), element::i4);
  ASSERT_EQ(out[0].get_shape(), (ov::Shape{3, 3}));
  // Row 2, row 0, then zeros for the index out of range.
  const auto* packed = static_cast<const uint8_t*>(out[0].data());
  EXPECT_EQ(std::vector<uint8_t>(packed, packed + 5),
            (std::vector<uint8_t>{0x87, 0x10, 0x3E, 0x00, 0x00}));

  auto u2 = std::make_shared<ov::op::v0::Constant>(element::u2, ov::Shape{4}, bytes);
  auto picks = run({std::make_shared<v8::Gather>(u2, idx, scalar(0))}, {idx},
                   {tensor<int>(element::i32, {3}, {3, 3, 0})});
  // 0xE1 as u2: {1, 0, 2, 3}; picks {3, 3, 1}.
  EXPECT_EQ(*static_cast<const uint8_t*>(picks[0].data()), 0x1F);
}

TEST(ScatterElementsUpdate, WorkedExamplesAndValidation) {
  auto data = param(element::i32, {4});
  auto idx = param(element::i64, {6});
  auto upd = param(element::i32, {6});
  auto sum =
      std::make_shared<v12::ScatterElementsUpdate>(data, idx, upd, scalar(0), Reduction::SUM);
  auto fresh = std::make_shared<v12::ScatterElementsUpdate>(data, idx, upd, scalar(0),
                                                            Reduction::SUM, false);
  auto d = tensor<int>(element::i32, {4}, {2, 3, 4, 6});
  auto u = tensor<int>(element::i32, {6}, {10, 20, 30, 40, 70, 60});
  auto out = run({sum}, {data, idx, upd},
                 {d, tensor<int64_t>(element::i64, {6}, {1, 0, 0, -2, -1, 2}), u});
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{52, 13, 104, 76}));
  auto out2 = run({fresh}, {data, idx, upd},
                  {d, tensor<int64_t>(element::i64, {6}, {1, 0, 0, 2, 3, 2}), u});
  EXPECT_EQ(values<int>(out2[0]), (std::vector<int>{50, 10, 100, 70}));

  auto mean =
      std::make_shared<v12::ScatterElementsUpdate>(data, idx, upd, scalar(0), Reduction::MEAN);
  auto out3 = run({mean}, {data, idx, upd},
                  {tensor<int>(element::i32, {4}, {-1, 0, 0, 0}),
                   tensor<int64_t>(element::i64, {6}, {0, 1, 1, 1, 1, 1}),
                   tensor<int>(element::i32, {6}, {-2, 1, 1, 1, 1, 1})});
  EXPECT_EQ(values<int>(out3[0]), (std::vector<int>{-2, 0, 0, 0}));  // floor(-3/2) = -2, 5/6 -> 0

  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v12::ScatterElementsUpdate>(param(element::f32, {2, 2}),
                                                     param(element::i64, {2}),
                                                     param(element::f32, {2}), scalar(0));
      },
      "Indices rank and data rank are required to be equal"));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v12::ScatterElementsUpdate>(param(element::f32, {2, 2}),
                                                     param(element::i64, {2, 2}),
                                                     param(element::f32, {2, 3}), scalar(0));
      },
      "Indices and updates input shapes are required to be equal"));
  EXPECT_EQ(ov::as_string(Reduction::MEAN), "mean");
}

PartialShape reduced(const PartialShape& in, const std::vector<int64_t>& axes, bool keep) {
  return std::make_shared<v1::ReduceSum>(param(element::f32, in), i64(axes), keep)
      ->get_output_partial_shape(0);
}

TEST(Reduce, ShapeInference) {
  EXPECT_EQ(reduced({2, 3, 4}, {1, -1}, false), (PartialShape{2}));
  EXPECT_EQ(reduced({2, 3, 4}, {1, -2}, true), (PartialShape{2, 1, 4}));
  EXPECT_EQ(reduced({2, 3}, {}, false), (PartialShape{2, 3}));
  EXPECT_EQ(reduced(PartialShape::dynamic(), {0}, true), PartialShape::dynamic());
  EXPECT_EQ(
      std::make_shared<v1::ReduceMax>(param(element::f32, {2, 3}), param(element::i64, {1}), false)
          ->get_output_partial_shape(0),
      PartialShape::dynamic(1));
  EXPECT_EQ(
      std::make_shared<v1::ReduceMax>(param(element::f32, {2, 3}), param(element::i64, {2}), true)
          ->get_output_partial_shape(0),
      PartialShape::dynamic(2));
  EXPECT_THROW(reduced({2, 3}, {2}, false), ov::NodeValidationFailure);
  EXPECT_TRUE(
      message_has([] { std::make_shared<v1::ReduceSum>(param(element::boolean, {2}), i64({0})); },
                  "Element type of data input must be numeric"));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v1::ReduceSum>(
            param(element::f32, {2}), constant(element::f32, ov::Shape{1}, std::vector<float>{0}));
      },
      "Element type of axes input must be integer"));
}

TEST(Reduce, Evaluate) {
  auto x = param(element::i32, {2, 3});
  auto out = run(
      {std::make_shared<v1::ReduceSum>(x, i64({1})),
       std::make_shared<v1::ReduceMean>(x, i64({0}), true),
       std::make_shared<v1::ReduceMax>(x, i64({0, 1})),
       std::make_shared<v1::ReduceMin>(x, i64({1})), std::make_shared<v1::ReduceProd>(x, i64({0}))},
      {x}, {tensor<int>(element::i32, {2, 3}, {1, -2, 3, 4, 5, -7})});
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{2, 2}));
  EXPECT_EQ(out[1].get_shape(), (ov::Shape{1, 3}));
  EXPECT_EQ(values<int>(out[1]), (std::vector<int>{2, 1, -2}));  // integer division truncates
  EXPECT_EQ(values<int>(out[2]), (std::vector<int>{5}));
  EXPECT_EQ(values<int>(out[3]), (std::vector<int>{-2, -7}));
  EXPECT_EQ(values<int>(out[4]), (std::vector<int>{4, -10, -21}));

  auto f = param(element::f16, {4});
  auto fo = run({std::make_shared<v1::ReduceMean>(f, i64({0}))}, {f},
                {tensor<float>(element::f16, {4}, {1.f, 2.f, 3.f, 4.5f})});
  EXPECT_EQ(values<float>(fo[0]), (std::vector<float>{2.625f}));
  auto empty = param(element::f32, {0, 2});
  auto eo = run({std::make_shared<v1::ReduceSum>(empty, i64({0})),
                 std::make_shared<v1::ReduceMax>(empty, i64({0}))},
                {empty}, {ov::Tensor(element::f32, {0, 2})});
  EXPECT_EQ(values<float>(eo[0]), (std::vector<float>{0, 0}));
  EXPECT_EQ(values<float>(eo[1])[0], std::numeric_limits<float>::lowest());
}

}  // namespace
