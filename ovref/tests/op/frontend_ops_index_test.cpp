#include "op_test_utils.hpp"
#include "openvino/op/batch_to_space.hpp"
#include "openvino/op/gather_nd.hpp"
#include "openvino/op/reverse.hpp"
#include "openvino/op/reverse_sequence.hpp"
#include "openvino/op/scatter_nd_update.hpp"
#include "openvino/op/space_to_batch.hpp"

namespace {

using namespace ovref_test;
using ov::PartialShape;
using ov::Shape;
namespace element = ov::element;
namespace v0 = ov::op::v0;
namespace v1 = ov::op::v1;
namespace v3 = ov::op::v3;
namespace v5 = ov::op::v5;
namespace v8 = ov::op::v8;

std::vector<int> iota(size_t n) {
  std::vector<int> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<int>(i);
  return v;
}

TEST(FrontendReverse, IndexAndMaskModes) {
  auto x = param(element::i32, {2, 2, 2});
  auto index = std::make_shared<v1::Reverse>(x, constant<int>(element::i64, {2}, {0, 2}), "index");
  auto mask = std::make_shared<v1::Reverse>(x, constant<int>(element::boolean, {3}, {1, 0, 1}),
                                            v1::Reverse::Mode::MASK);
  auto none = std::make_shared<v1::Reverse>(x, constant<int>(element::i64, {0}, {}), "index");
  auto out = run({index, mask, none}, {x}, {tensor<int>(element::i32, {2, 2, 2}, iota(8))});
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{5, 4, 7, 6, 1, 0, 3, 2}));
  EXPECT_EQ(values<int>(out[1]), values<int>(out[0]));
  EXPECT_EQ(values<int>(out[2]), iota(8));
  EXPECT_EQ(mask->get_mode(), v1::Reverse::Mode::MASK);

  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v1::Reverse>(x, constant<int>(element::boolean, {2}, {1, 0}), "mask");
      },
      "must match the input data tensor rank"));
  EXPECT_TRUE(message_has(
      [&] { std::make_shared<v1::Reverse>(x, constant<int>(element::i32, {1}, {3}), "index"); },
      "out of bounds"));
  EXPECT_THROW(std::make_shared<v1::Reverse>(x, constant<int>(element::i32, {3}, {1, 0, 1}),
                                             v1::Reverse::Mode::MASK),
               ov::NodeValidationFailure);
}

TEST(FrontendReverseSequence, PerBatchLengths) {
  auto x = param(element::f32, {2, 4});
  auto lengths = param(element::i32, {2});
  auto rs = std::make_shared<v0::ReverseSequence>(x, lengths, 0, -1);
  EXPECT_EQ(rs->get_sequence_axis(), 1u);
  EXPECT_EQ(rs->get_origin_sequence_axis(), -1);
  const auto in = tensor<float>(element::f32, {2, 4}, {0, 1, 2, 3, 4, 5, 6, 7});
  auto out = run({rs}, {x, lengths}, {in, tensor<int>(element::i32, {2}, {3, 1})});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{2, 1, 0, 3, 4, 5, 6, 7}));
  // Lengths larger than the axis reverse the whole axis; 0 leaves the row alone.
  auto all = run({rs}, {x, lengths}, {in, tensor<int>(element::i32, {2}, {9, 0})});
  EXPECT_EQ(values<float>(all[0]), (std::vector<float>{3, 2, 1, 0, 4, 5, 6, 7}));

  // Batch along dim 1, sequence along dim 0 (as the REVERSE_V2 pattern does with seq_axis 0).
  auto y = param(element::i64, {3, 2});
  auto ry =
      std::make_shared<v0::ReverseSequence>(y, constant<int>(element::i32, {2}, {3, 2}), 1, 0);
  auto outy = run({ry}, {y}, {tensor<int64_t>(element::i64, {3, 2}, {0, 1, 2, 3, 4, 5})});
  EXPECT_EQ(values<int64_t>(outy[0]), (std::vector<int64_t>{4, 3, 2, 1, 0, 5}));

  EXPECT_TRUE(
      message_has([&] { std::make_shared<v0::ReverseSequence>(x, param(element::i32, {3}), 0, 1); },
                  "is not equal to batch axis dimension"));
  EXPECT_THROW(std::make_shared<v0::ReverseSequence>(param(element::f32, {4}), lengths, 0, 0),
               ov::NodeValidationFailure);
  EXPECT_THROW(std::make_shared<v0::ReverseSequence>(x, lengths, 0, 2), ov::NodeValidationFailure);
  EXPECT_THROW(std::make_shared<v0::ReverseSequence>(x, param(element::f32, {2}), 0, 1),
               ov::NodeValidationFailure);
}

TEST(FrontendGatherND, ElementsSlicesAndBatches) {
  auto d = param(element::f32, {2, 2});
  auto elements =
      std::make_shared<v8::GatherND>(d, constant<int>(element::i32, {2, 2}, {0, 0, 1, -1}));
  auto slices = std::make_shared<v8::GatherND>(d, constant<int>(element::i64, {2, 1}, {1, 0}));
  EXPECT_EQ(elements->get_output_partial_shape(0), (PartialShape{2}));
  EXPECT_EQ(slices->get_output_partial_shape(0), (PartialShape{2, 2}));
  auto out = run({elements, slices}, {d}, {tensor<float>(element::f32, {2, 2}, {0, 1, 2, 3})});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{0, 3}));
  EXPECT_EQ(values<float>(out[1]), (std::vector<float>{2, 3, 0, 1}));

  auto b = param(element::i32, {2, 3, 4});
  const auto idx = constant<int>(element::i32, {2, 3, 1}, {0, 3, 1, 2, 2, 0});
  auto b8 = std::make_shared<v8::GatherND>(b, idx, 2);
  auto b5 = std::make_shared<v5::GatherND>(b, idx, 2);
  EXPECT_EQ(b8->get_output_partial_shape(0), (PartialShape{2, 3}));
  EXPECT_EQ(b5->get_output_partial_shape(0), (PartialShape{6}));
  auto outb = run({b8, b5}, {b}, {tensor<int>(element::i32, {2, 3, 4}, iota(24))});
  // Element (i, j, idx[i, j]) = 12 i + 4 j + idx.
  EXPECT_EQ(values<int>(outb[0]), (std::vector<int>{0, 7, 9, 14, 18, 20}));
  EXPECT_EQ(values<int>(outb[1]), values<int>(outb[0]));

  EXPECT_EQ(std::make_shared<v8::GatherND>(param(element::f32, {-1, 5, 6}),
                                           param(element::i64, {-1, 4, 2}))
                ->get_output_partial_shape(0),
            (PartialShape{-1, 4, 6}));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v8::GatherND>(d, param(element::i32, {2, 3}));
      },
      "must not exceed a rank of data tensor excluding batch dimensions"));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v8::GatherND>(b, param(element::i32, {3, 1}), 1);
      },
      "Batch dimensions of data and indices must be the same"));
  EXPECT_THROW(std::make_shared<v8::GatherND>(d, param(element::f32, {2, 1})),
               ov::NodeValidationFailure);
  // An index outside the data is refused at evaluation.
  auto bad = std::make_shared<v8::GatherND>(d, constant<int>(element::i32, {1, 2}, {0, 2}));
  ov::TensorVector res{ov::Tensor(element::f32, {1})};
  EXPECT_FALSE(bad->evaluate(res, {tensor<float>(element::f32, {2, 2}, {0, 1, 2, 3}),
                                   tensor<int>(element::i32, {1, 2}, {0, 2})}));
  EXPECT_FALSE(bad->evaluate(res, {tensor<float>(element::f32, {2, 2}, {0, 1, 2, 3})}));
}

TEST(FrontendScatterNDUpdate, ElementsSlicesAndChecks) {
  auto d = param(element::f32, {4});
  auto sc =
      std::make_shared<v3::ScatterNDUpdate>(d, constant<int>(element::i32, {3, 1}, {1, -1, 1}),
                                            constant<float>(element::f32, {3}, {9, 10, 11}));
  auto out = run({sc}, {d}, {tensor<float>(element::f32, {4}, {1, 2, 3, 4})});
  // Repeated index: the last update wins.
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{1, 11, 3, 10}));

  auto m = param(element::i8, {2, 2});
  auto rows = std::make_shared<v3::ScatterNDUpdate>(m, constant<int64_t>(element::i64, {1, 1}, {1}),
                                                    constant<int>(element::i8, {1, 2}, {7, 8}));
  auto outm = run({rows}, {m}, {tensor<int>(element::i8, {2, 2}, {1, 2, 3, 4})});
  EXPECT_EQ(values<int>(outm[0]), (std::vector<int>{1, 2, 7, 8}));
  EXPECT_EQ(rows->get_output_partial_shape(0), (PartialShape{2, 2}));

  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v3::ScatterNDUpdate>(m, constant<int>(element::i32, {1, 3}, {0, 0, 0}),
                                              param(element::i8, {1}));
      },
      "at most the rank of inputs"));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v3::ScatterNDUpdate>(m, constant<int>(element::i32, {1, 1}, {0}),
                                              param(element::i8, {1, 3}));
      },
      "updates_shape[indices_rank-1:]"));
  EXPECT_THROW(std::make_shared<v3::ScatterNDUpdate>(m, constant<int>(element::i32, {1, 1}, {0}),
                                                     param(element::f32, {1, 2})),
               ov::NodeValidationFailure);
  auto bad = std::make_shared<v3::ScatterNDUpdate>(d, constant<int>(element::i32, {1, 1}, {4}),
                                                   constant<float>(element::f32, {1}, {0}));
  ov::TensorVector res{ov::Tensor(element::f32, {4})};
  EXPECT_FALSE(bad->evaluate(
      res, {tensor<float>(element::f32, {4}, {1, 2, 3, 4}), tensor<int>(element::i32, {1, 1}, {4}),
            tensor<float>(element::f32, {1}, {0})}));
}

TEST(FrontendScatterNDUpdate, V15Reductions) {
  using Reduction = ov::op::v15::ScatterNDUpdate::Reduction;
  auto d = param(element::i32, {4});
  auto indices = constant<int>(element::i32, {3, 1}, {1, 3, 1});
  auto updates = constant<int>(element::i32, {3}, {5, -2, 7});
  ov::OutputVector ops;
  for (auto r : {Reduction::NONE, Reduction::SUM, Reduction::SUB, Reduction::PROD, Reduction::MIN,
                 Reduction::MAX}) {
    ops.push_back(std::make_shared<ov::op::v15::ScatterNDUpdate>(d, indices, updates, r));
  }
  auto out = run(ops, {d}, {tensor<int>(element::i32, {4}, {10, 20, 30, 40})});
  // Index 1 receives 5 then 7; index 3 receives -2.
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{10, 7, 30, -2}));
  EXPECT_EQ(values<int>(out[1]), (std::vector<int>{10, 32, 30, 38}));
  EXPECT_EQ(values<int>(out[2]), (std::vector<int>{10, 8, 30, 42}));
  EXPECT_EQ(values<int>(out[3]), (std::vector<int>{10, 700, 30, -80}));
  EXPECT_EQ(values<int>(out[4]), (std::vector<int>{10, 5, 30, -2}));
  EXPECT_EQ(values<int>(out[5]), (std::vector<int>{10, 20, 30, 40}));
  EXPECT_EQ(ov::as_string(Reduction::PROD), "prod");
}

TEST(FrontendBatchSpace, BlockLayoutAndRoundTrip) {
  auto x = param(element::f32, {1, 2, 2, 1});
  auto block = constant<int>(element::i64, {4}, {1, 2, 2, 1});
  auto zeros = constant<int>(element::i64, {4}, {0, 0, 0, 0});
  auto s2b = std::make_shared<v1::SpaceToBatch>(x, block, zeros, zeros);
  EXPECT_EQ(s2b->get_output_partial_shape(0), (PartialShape{4, 1, 1, 1}));
  auto out = run({s2b}, {x}, {tensor<float>(element::f32, {1, 2, 2, 1}, {1, 2, 3, 4})});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{1, 2, 3, 4}));

  // Padding: width 3 padded by one in front to 4, blocks of 2.
  auto y = param(element::i32, {1, 3});
  auto padded = std::make_shared<v1::SpaceToBatch>(y, constant<int>(element::i32, {2}, {1, 2}),
                                                   constant<int>(element::i32, {2}, {0, 1}),
                                                   constant<int>(element::i32, {2}, {0, 0}));
  auto back = std::make_shared<v1::BatchToSpace>(padded, constant<int>(element::i32, {2}, {1, 2}),
                                                 constant<int>(element::i32, {2}, {0, 1}),
                                                 constant<int>(element::i32, {2}, {0, 0}));
  EXPECT_EQ(padded->get_output_partial_shape(0), (PartialShape{2, 2}));
  EXPECT_EQ(back->get_output_partial_shape(0), (PartialShape{1, 3}));
  auto outy = run({padded, back}, {y}, {tensor<int>(element::i32, {1, 3}, {1, 2, 3})});
  EXPECT_EQ(values<int>(outy[0]), (std::vector<int>{0, 2, 1, 3}));
  EXPECT_EQ(values<int>(outy[1]), (std::vector<int>{1, 2, 3}));

  // Round trip with two blocked dims and a batch of 2.
  const Shape s{2, 4, 6, 3};
  auto z = param(element::i32, s);
  auto b2 = constant<int>(element::i32, {4}, {1, 2, 3, 1});
  auto down = std::make_shared<v1::SpaceToBatch>(z, b2, zeros, zeros);
  auto up = std::make_shared<v1::BatchToSpace>(down, b2, zeros, zeros);
  EXPECT_EQ(down->get_output_partial_shape(0), (PartialShape{12, 2, 2, 3}));
  auto outz = run({down, up}, {z}, {tensor<int>(element::i32, s, iota(ov::shape_size(s)))});
  EXPECT_EQ(values<int>(outz[1]), iota(ov::shape_size(s)));
  // Batch entry (block offsets (1, 2), n = 1) starts at input (1, 1, 2, 0).
  EXPECT_EQ(values<int>(outz[0])[((1 * 3 + 2) * 2 + 1) * 12], ((1 * 4 + 1) * 6 + 2) * 3);

  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v1::SpaceToBatch>(x, constant<int>(element::i64, {4}, {2, 1, 1, 1}), zeros,
                                           zeros);
      },
      "block_shape[0] is expected to be 1"));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v1::SpaceToBatch>(param(element::f32, {1, 3, 2, 1}), block, zeros, zeros);
      },
      "must be a multiple of block_values"));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v1::BatchToSpace>(param(element::f32, {3, 1, 1, 1}), block, zeros, zeros);
      },
      "must be a multiple of product of block_shape"));
  EXPECT_THROW(std::make_shared<v1::BatchToSpace>(x, constant<int>(element::i64, {3}, {1, 2, 2}),
                                                  zeros, zeros),
               ov::NodeValidationFailure);
  auto runtime = std::make_shared<v1::BatchToSpace>(param(element::f32, {4, 1, 1, 1}),
                                                    param(element::i64, {4}), zeros, zeros);
  EXPECT_EQ(runtime->get_output_partial_shape(0), PartialShape::dynamic(4));
}

}  // namespace
