#include "op_test_utils.hpp"
#include "openvino/op/convert.hpp"
#include "openvino/op/convert_like.hpp"
#include "openvino/op/cum_sum.hpp"
#include "openvino/op/one_hot.hpp"
#include "openvino/op/range.hpp"
#include "openvino/op/reduce_logical_and.hpp"
#include "openvino/op/reduce_logical_or.hpp"
#include "openvino/op/split.hpp"
#include "openvino/op/variadic_split.hpp"

namespace {

using namespace ovref_test;
using ov::PartialShape;
using ov::Shape;
namespace element = ov::element;
namespace v0 = ov::op::v0;
namespace v1 = ov::op::v1;
namespace v4 = ov::op::v4;

std::vector<int> iota(int n) {
  std::vector<int> v(n);
  for (int i = 0; i < n; ++i) v[i] = i;
  return v;
}

TEST(FrontendSplit, ShapesAndValues) {
  auto x = param(element::i32, {2, 6});
  auto split = std::make_shared<v1::Split>(x, constant<int64_t>(element::i64, {}, {-1}), 3);
  ASSERT_EQ(split->get_output_size(), 3u);
  for (size_t i = 0; i < 3; ++i)
    EXPECT_EQ(split->get_output_partial_shape(i), (PartialShape{2, 2}));
  auto out = run(split->outputs(), {x}, {tensor<int>(element::i32, {2, 6}, iota(12))});
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{0, 1, 6, 7}));
  EXPECT_EQ(values<int>(out[1]), (std::vector<int>{2, 3, 8, 9}));
  EXPECT_EQ(values<int>(out[2]), (std::vector<int>{4, 5, 10, 11}));

  EXPECT_TRUE(message_has(
      [&] { std::make_shared<v1::Split>(x, constant<int64_t>(element::i64, {}, {1}), 4); },
      "must be evenly divisible by 'num_splits'"));
  EXPECT_THROW(std::make_shared<v1::Split>(x, constant<int64_t>(element::i64, {}, {2}), 2),
               ov::NodeValidationFailure);
  EXPECT_THROW(std::make_shared<v1::Split>(x, constant<int64_t>(element::i64, {2}, {0, 1}), 2),
               ov::NodeValidationFailure);
  auto runtime_axis = std::make_shared<v1::Split>(x, param(element::i32, {}), 2);
  EXPECT_EQ(runtime_axis->get_output_partial_shape(1), PartialShape::dynamic(2));
  auto bounded = std::make_shared<v1::Split>(param(element::f32, {{4, 8}, 3}),
                                             constant<int>(element::i32, {}, {0}), 2);
  EXPECT_EQ(bounded->get_output_partial_shape(0), (PartialShape{{2, 4}, 3}));

  // f16 and boolean move bytes the same way.
  auto h = param(element::f16, {4});
  auto sh = std::make_shared<v1::Split>(h, constant<int>(element::i32, {}, {0}), 2);
  auto outh = run(sh->outputs(), {h}, {tensor<float>(element::f16, {4}, {1.5f, 2, 3, -4})});
  EXPECT_EQ(values<float>(outh[1]), (std::vector<float>{3, -4}));
}

TEST(FrontendVariadicSplit, LengthsWithRemainder) {
  auto x = param(element::f32, {7, 2});
  auto vs = std::make_shared<v1::VariadicSplit>(x, constant<int>(element::i32, {}, {0}),
                                                constant<int64_t>(element::i64, {3}, {2, -1, 0}));
  ASSERT_EQ(vs->get_output_size(), 3u);
  EXPECT_EQ(vs->get_output_partial_shape(0), (PartialShape{2, 2}));
  EXPECT_EQ(vs->get_output_partial_shape(1), (PartialShape{5, 2}));
  EXPECT_EQ(vs->get_output_partial_shape(2), (PartialShape{0, 2}));
  std::vector<float> in(14);
  for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<float>(i);
  auto out = run(vs->outputs(), {x}, {tensor<float>(element::f32, {7, 2}, in)});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{0, 1, 2, 3}));
  EXPECT_EQ(values<float>(out[1]), (std::vector<float>{4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
  EXPECT_EQ(out[2].get_shape(), (Shape{0, 2}));

  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v1::VariadicSplit>(x, constant<int>(element::i32, {}, {0}),
                                            constant<int>(element::i32, {2}, {-1, -1}));
      },
      "multiple -1"));
  EXPECT_TRUE(message_has(
      [&] {
        std::make_shared<v1::VariadicSplit>(x, constant<int>(element::i32, {}, {0}),
                                            constant<int>(element::i32, {2}, {3, 3}));
      },
      "must match the length of the chosen axis"));
  auto dyn = std::make_shared<v1::VariadicSplit>(
      param(element::f32, {-1, 2}), constant<int>(element::i32, {}, {0}), param(element::i32, {2}));
  EXPECT_EQ(dyn->get_output_size(), 2u);
  EXPECT_EQ(dyn->get_output_partial_shape(0), (PartialShape{-1, 2}));
  auto dyn_rank = std::make_shared<v1::VariadicSplit>(param(element::f32, PartialShape::dynamic()),
                                                      constant<int>(element::i32, {}, {0}),
                                                      constant<int>(element::i32, {2}, {1, 1}));
  EXPECT_EQ(dyn_rank->get_output_partial_shape(1), PartialShape::dynamic());
}

TEST(FrontendReduceLogical, ShapesAndValues) {
  auto x = param(element::boolean, {2, 3});
  const auto in = tensor<int>(element::boolean, {2, 3}, {1, 1, 0, 1, 1, 1});
  auto all_rows = std::make_shared<v1::ReduceLogicalAnd>(x, constant<int>(element::i32, {1}, {1}));
  auto any_cols =
      std::make_shared<v1::ReduceLogicalOr>(x, constant<int>(element::i32, {1}, {-2}), true);
  auto all = std::make_shared<v1::ReduceLogicalAnd>(x, constant<int>(element::i32, {2}, {0, 1}));
  auto none = std::make_shared<v1::ReduceLogicalOr>(x, constant<int>(element::i32, {0}, {}));
  EXPECT_EQ(all_rows->get_output_partial_shape(0), (PartialShape{2}));
  EXPECT_EQ(any_cols->get_output_partial_shape(0), (PartialShape{1, 3}));
  EXPECT_EQ(all->get_output_partial_shape(0), (PartialShape{}));
  EXPECT_EQ(none->get_output_partial_shape(0), (PartialShape{2, 3}));
  auto out = run({all_rows, any_cols, all, none}, {x}, {in});
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{0, 1}));
  EXPECT_EQ(values<int>(out[1]), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(values<int>(out[2]), (std::vector<int>{0}));
  EXPECT_EQ(values<int>(out[3]), (std::vector<int>{1, 1, 0, 1, 1, 1}));

  // Empty reduced dimension: AND of nothing is true, OR of nothing is false.
  auto e = param(element::boolean, {2, 0});
  auto out_e = run({std::make_shared<v1::ReduceLogicalAnd>(e, constant<int>(element::i32, {}, {1})),
                    std::make_shared<v1::ReduceLogicalOr>(e, constant<int>(element::i32, {}, {1}))},
                   {e}, {ov::Tensor(element::boolean, {2, 0})});
  EXPECT_EQ(values<int>(out_e[0]), (std::vector<int>{1, 1}));
  EXPECT_EQ(values<int>(out_e[1]), (std::vector<int>{0, 0}));

  EXPECT_EQ(std::make_shared<v1::ReduceLogicalOr>(x, param(element::i64, {1}), true)
                ->get_output_partial_shape(0),
            PartialShape::dynamic(2));
  EXPECT_EQ(std::make_shared<v1::ReduceLogicalOr>(x, param(element::i64, {1}))
                ->get_output_partial_shape(0),
            PartialShape::dynamic());
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v1::ReduceLogicalAnd>(param(element::f32, {2}),
                                               constant<int>(element::i32, {}, {0}));
      },
      "must be boolean"));
  EXPECT_THROW(std::make_shared<v1::ReduceLogicalAnd>(x, constant<int>(element::i32, {}, {2})),
               ov::NodeValidationFailure);
}

TEST(FrontendCumSum, AllFourModes) {
  auto x = param(element::f32, {2, 3});
  const auto in = tensor<float>(element::f32, {2, 3}, {1, 2, 3, 4, 5, 6});
  auto axis = constant<int>(element::i32, {}, {-1});
  auto out =
      run({std::make_shared<v0::CumSum>(x, axis), std::make_shared<v0::CumSum>(x, axis, true),
           std::make_shared<v0::CumSum>(x, axis, false, true),
           std::make_shared<v0::CumSum>(x, axis, true, true), std::make_shared<v0::CumSum>(x)},
          {x}, {in});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{1, 3, 6, 4, 9, 15}));
  EXPECT_EQ(values<float>(out[1]), (std::vector<float>{0, 1, 3, 0, 4, 9}));
  EXPECT_EQ(values<float>(out[2]), (std::vector<float>{6, 5, 3, 15, 11, 6}));
  EXPECT_EQ(values<float>(out[3]), (std::vector<float>{5, 3, 0, 11, 6, 0}));
  EXPECT_EQ(values<float>(out[4]), (std::vector<float>{1, 2, 3, 5, 7, 9}));

  auto i8 = param(element::i8, {3});
  auto wrapped = run({std::make_shared<v0::CumSum>(i8)}, {i8},
                     {tensor<int>(element::i8, {3}, {100, 100, -100})});
  EXPECT_EQ(values<int>(wrapped[0]), (std::vector<int>{100, -56, 100}));
  EXPECT_TRUE(
      message_has([&] { std::make_shared<v0::CumSum>(x, constant<int>(element::i32, {1}, {0})); },
                  "Axis should be scalar"));
  EXPECT_THROW(std::make_shared<v0::CumSum>(x, constant<float>(element::f32, {}, {0})),
               ov::NodeValidationFailure);
  EXPECT_THROW(std::make_shared<v0::CumSum>(x, constant<int>(element::i32, {}, {2})),
               ov::NodeValidationFailure);
}

TEST(FrontendOneHot, ShapesAndValues) {
  auto idx = param(element::i32, {2, 2});
  auto on = constant<float>(element::f32, {}, {5});
  auto off = constant<float>(element::f32, {}, {-1});
  auto last = std::make_shared<v1::OneHot>(idx, constant<int>(element::i32, {}, {3}), on, off, -1);
  auto first = std::make_shared<v1::OneHot>(idx, constant<int>(element::i32, {}, {3}), on, off, 0);
  EXPECT_EQ(last->get_output_partial_shape(0), (PartialShape{2, 2, 3}));
  EXPECT_EQ(first->get_output_partial_shape(0), (PartialShape{3, 2, 2}));
  EXPECT_EQ(last->get_output_element_type(0), element::f32);
  auto out = run({last, first}, {idx}, {tensor<int>(element::i32, {2, 2}, {0, 2, -1, 3})});
  // Negative and out-of-range indices give all-off rows.
  EXPECT_EQ(values<float>(out[0]),
            (std::vector<float>{5, -1, -1, -1, -1, 5, -1, -1, -1, -1, -1, -1}));
  EXPECT_EQ(values<float>(out[1]),
            (std::vector<float>{5, -1, -1, -1, -1, -1, -1, -1, -1, 5, -1, -1}));

  auto scalar = param(element::i64, {});
  auto s = std::make_shared<v1::OneHot>(scalar, constant<int>(element::i32, {}, {4}),
                                        constant<int>(element::i8, {}, {1}),
                                        constant<int>(element::i8, {}, {0}), 0);
  auto outs = run({s}, {scalar}, {tensor<int64_t>(element::i64, {}, {1})});
  EXPECT_EQ(values<int>(outs[0]), (std::vector<int>{0, 1, 0, 0}));
  auto runtime_depth = std::make_shared<v1::OneHot>(idx, param(element::i32, {}), on, off, 1);
  EXPECT_EQ(runtime_depth->get_output_partial_shape(0), (PartialShape{2, -1, 2}));

  EXPECT_TRUE(message_has(
      [&] { std::make_shared<v1::OneHot>(idx, constant<int>(element::i32, {}, {0}), on, off, -1); },
      "depth value must be a positive scalar"));
  EXPECT_THROW(std::make_shared<v1::OneHot>(idx, constant<int>(element::i32, {}, {3}), on,
                                            constant<int>(element::i32, {}, {0}), -1),
               ov::NodeValidationFailure);
  EXPECT_THROW(std::make_shared<v1::OneHot>(idx, constant<int>(element::i32, {}, {3}), on, off, 3),
               ov::NodeValidationFailure);
  EXPECT_THROW(std::make_shared<v1::OneHot>(idx, constant<int>(element::i32, {1}, {3}),
                                            constant<float>(element::f32, {2}, {1, 2}), off, 0),
               ov::NodeValidationFailure);
}

TEST(FrontendOneHot, V16NormalizesNegativeIndices) {
  using NegativeMode = ov::op::v16::OneHot::NegativeIndicesMode;
  auto idx = param(element::i64, {4});
  auto depth = constant<int>(element::i32, {}, {3});
  auto on = constant<int>(element::i32, {}, {1});
  auto off = constant<int>(element::i32, {}, {0});
  auto normalize =
      std::make_shared<ov::op::v16::OneHot>(idx, depth, on, off, -1, NegativeMode::NORMALIZE);
  auto ignore = std::make_shared<ov::op::v16::OneHot>(idx, depth, on, off, -1);
  EXPECT_EQ(normalize->get_type_info().version_id, std::string("opset16"));
  EXPECT_EQ(normalize->get_output_partial_shape(0), (PartialShape{4, 3}));
  auto out = run({normalize, ignore}, {idx}, {tensor<int64_t>(element::i64, {4}, {-1, -3, -4, 2})});
  // [-depth, -1] count from the end; smaller stay all-off.
  EXPECT_EQ(values<int>(out[0]), (std::vector<int>{0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(values<int>(out[1]), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(ov::as_string(NegativeMode::IGNORE_NEGATIVE), "ignore-negative");
  auto clone =
      ov::as_type_ptr<ov::op::v16::OneHot>(normalize->clone_with_new_inputs({idx, depth, on, off}));
  ASSERT_TRUE(clone);
  EXPECT_EQ(clone->get_negative_indices_mode(), NegativeMode::NORMALIZE);
}

TEST(FrontendRange, ShapesAndValues) {
  auto make = [](double a, double b, double c, element::Type t) {
    return std::make_shared<v4::Range>(constant<double>(element::f32, {}, {a}),
                                       constant<double>(element::f32, {}, {b}),
                                       constant<double>(element::f32, {}, {c}), t);
  };
  auto f = make(1.0, 2.0, 0.25, element::f32);
  EXPECT_EQ(f->get_output_partial_shape(0), (PartialShape{4}));
  // Integer output: inputs truncated first, so 0.9..5.9 step 1.5 is 0..5 step 1.
  auto i = make(0.9, 5.9, 1.5, element::i32);
  EXPECT_EQ(i->get_output_partial_shape(0), (PartialShape{5}));
  auto down = make(5, -1, -2, element::i64);
  auto empty = make(3, 1, 1, element::f32);
  EXPECT_EQ(empty->get_output_partial_shape(0), (PartialShape{0}));
  auto out = run({f, i, down, empty}, {}, {});
  EXPECT_EQ(values<float>(out[0]), (std::vector<float>{1, 1.25, 1.5, 1.75}));
  EXPECT_EQ(values<int>(out[1]), (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(values<int64_t>(out[2]), (std::vector<int64_t>{5, 3, 1}));
  EXPECT_EQ(out[3].get_size(), 0u);

  auto start = param(element::i32, {});
  auto runtime = std::make_shared<v4::Range>(start, constant<int>(element::i32, {}, {10}),
                                             constant<int>(element::i32, {}, {3}), element::f16);
  EXPECT_EQ(runtime->get_output_partial_shape(0), PartialShape::dynamic(1));
  auto outr = run({runtime}, {start}, {tensor<int>(element::i32, {}, {2})});
  EXPECT_EQ(values<float>(outr[0]), (std::vector<float>{2, 5, 8}));

  EXPECT_TRUE(message_has([&] { make(0, 1, 0, element::f32); }, "'step' cannot be zero"));
  EXPECT_TRUE(message_has([&] { make(0, 1, 0.5, element::i32); }, "'step' cannot be zero"));
  EXPECT_TRUE(message_has(
      [] {
        std::make_shared<v4::Range>(param(element::f32, {2}), param(element::f32, {}),
                                    param(element::f32, {}), element::f32);
      },
      "'start' input is not a scalar"));
  EXPECT_THROW(make(0, 1, 1, element::boolean), ov::NodeValidationFailure);
}

TEST(FrontendConvertLike, MatchesConvert) {
  auto x = param(element::f32, {5});
  auto like = param(element::u8, {1, 2});
  auto cl = std::make_shared<v1::ConvertLike>(x, like);
  EXPECT_EQ(cl->get_output_element_type(0), element::u8);
  EXPECT_EQ(cl->get_output_partial_shape(0), (PartialShape{5}));
  auto conv = std::make_shared<v0::Convert>(x, element::u8);
  const auto in = tensor<float>(element::f32, {5}, {0.0f, 1.9f, 255.0f, -1.0f, 300.0f});
  auto out = run({cl, conv}, {x, like}, {in, ov::Tensor(element::u8, {1, 2})});
  EXPECT_EQ(values<int>(out[0]), values<int>(out[1]));
  EXPECT_EQ(values<int>(out[0])[1], 1);
  auto dyn = std::make_shared<v1::ConvertLike>(x, param(element::dynamic, {}));
  EXPECT_EQ(dyn->get_output_element_type(0), element::dynamic);
}

}  // namespace
