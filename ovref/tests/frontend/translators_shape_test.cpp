// Data-movement translators, checked by the values they produce.
#include <gtest/gtest.h>

#include "frontend_test_utils.hpp"

namespace {

using fe_test::Eval;
using fe_test::OneOp;
using fe_test::OpTypes;
using fe_test::Producer;
using ov::element::f32;
using ov::element::i32;
using ovref_test::tensor;
using ovref_test::values;

std::vector<float> Iota(size_t n) {
  std::vector<float> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<float>(i);
  return v;
}

TEST(FrontEndShape, ReshapeFromTheOptionOrTheShapeInput) {
  auto from_option =
      OneOp()
          .In(f32, {2, 3})
          .Make("RESHAPE", {{f32, {3, 2}}}, {{"new_shape", std::vector<int64_t>{3, -1}}});
  EXPECT_EQ(Producer(from_option)->get_output_partial_shape(0), (ov::PartialShape{3, 2}));
  auto from_input = OneOp()
                        .In(f32, {2, 3})
                        .Const(i32, {1}, std::vector<int32_t>{6})
                        .Make("RESHAPE", {{f32, {6}}});
  EXPECT_EQ(Producer(from_input)->get_output_partial_shape(0), (ov::PartialShape{6}));
  // An empty option list next to a shape input: the input gives the shape (not a scalar).
  auto empty_option =
      OneOp()
          .In(f32, {2, 3})
          .Const(i32, {2}, std::vector<int32_t>{1, 6})
          .Make("RESHAPE", {{f32, {1, 6}}}, {{"new_shape", std::vector<int64_t>{}}});
  EXPECT_EQ(Producer(empty_option)->get_output_partial_shape(0), (ov::PartialShape{1, 6}));
  EXPECT_THROW(OneOp().In(f32, {2, 3}).Make("RESHAPE", {{f32, {6}}}), ov::frontend::GeneralFailure);
}

TEST(FrontEndShape, TransposeConcatPackUnpackSplit) {
  auto transpose = OneOp()
                       .In(f32, {2, 3})
                       .Const(i32, {2}, std::vector<int32_t>{1, 0})
                       .Make("TRANSPOSE", {{f32, {3, 2}}});
  EXPECT_EQ(values<float>(Eval(transpose, {tensor(f32, {2, 3}, Iota(6))})[0]),
            (std::vector<float>{0, 3, 1, 4, 2, 5}));
  // The plug-in's decoder gives the axis as i32.
  auto concat = OneOp()
                    .In(f32, {1, 2})
                    .In(f32, {1, 2})
                    .Make("CONCATENATION", {{f32, {1, 4}}}, {{"axis", int32_t{1}}});
  EXPECT_EQ(values<float>(Eval(concat, {tensor<float>(f32, {1, 2}, {1, 2}),
                                        tensor<float>(f32, {1, 2}, {3, 4})})[0]),
            (std::vector<float>{1, 2, 3, 4}));
  auto pack =
      OneOp().In(f32, {2}).In(f32, {2}).Make("PACK", {{f32, {2, 2}}}, {{"axis", int32_t{1}}});
  EXPECT_EQ(values<float>(
                Eval(pack, {tensor<float>(f32, {2}, {1, 2}), tensor<float>(f32, {2}, {3, 4})})[0]),
            (std::vector<float>{1, 3, 2, 4}));
  auto unpack = OneOp()
                    .In(f32, {2, 3})
                    .Make("UNPACK", {{f32, {2}}, {f32, {2}}, {f32, {2}}},
                          {{"axis", int32_t{1}}, {"num", int32_t{3}}});
  auto parts = Eval(unpack, {tensor(f32, {2, 3}, Iota(6))});
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(values<float>(parts[2]), (std::vector<float>{2, 5}));
  EXPECT_EQ(parts[2].get_shape(), (ov::Shape{2}));
  // SPLIT takes the axis first and the value second.
  auto split = OneOp()
                   .Const(i32, {}, std::vector<int32_t>{1})
                   .In(f32, {2, 4})
                   .Make("SPLIT", {{f32, {2, 2}}, {f32, {2, 2}}}, {{"num_split", int64_t{2}}});
  parts = Eval(split, {tensor(f32, {2, 4}, Iota(8))});
  EXPECT_EQ(values<float>(parts[1]), (std::vector<float>{2, 3, 6, 7}));
}

TEST(FrontEndShape, SliceSizesAndStridedSliceMasks) {
  // size -1 runs to the end of the axis.
  auto slice = OneOp()
                   .In(f32, {3, 4})
                   .Const(i32, {2}, std::vector<int32_t>{1, 1})
                   .Const(i32, {2}, std::vector<int32_t>{-1, 2})
                   .Make("SLICE", {{f32, {2, 2}}});
  EXPECT_EQ(values<float>(Eval(slice, {tensor(f32, {3, 4}, Iota(12))})[0]),
            (std::vector<float>{5, 6, 9, 10}));
  // The same with begin and size computed at run time.
  auto dynamic = OneOp().In(f32, {3, 4}).In(i32, {2}).In(i32, {2}).Make("SLICE", {{f32, {2, 2}}});
  EXPECT_EQ(
      values<float>(Eval(dynamic, {tensor(f32, {3, 4}, Iota(12)), tensor<int>(i32, {2}, {1, 1}),
                                   tensor<int>(i32, {2}, {-1, 2})})[0]),
      (std::vector<float>{5, 6, 9, 10}));
  // Row 1 with the first axis shrunk, every other column.
  auto strided = OneOp()
                     .In(f32, {3, 4})
                     .Const(i32, {2}, std::vector<int32_t>{1, 0})
                     .Const(i32, {2}, std::vector<int32_t>{2, 0})
                     .Const(i32, {2}, std::vector<int32_t>{1, 2})
                     .Make("STRIDED_SLICE", {{f32, {2}}},
                           {{"shrink_axis_mask", int32_t{1}}, {"end_mask", int32_t{2}}});
  EXPECT_EQ(values<float>(Eval(strided, {tensor(f32, {3, 4}, Iota(12))})[0]),
            (std::vector<float>{4, 6}));
}

TEST(FrontEndShape, GatherFamily) {
  auto gather =
      OneOp()
          .In(f32, {3, 2})
          .Const(i32, {2}, std::vector<int32_t>{2, 0})
          .Make("GATHER", {{f32, {2, 2}}}, {{"axis", int32_t{0}}, {"batch_dims", int32_t{0}}});
  EXPECT_EQ(values<float>(Eval(gather, {tensor(f32, {3, 2}, Iota(6))})[0]),
            (std::vector<float>{4, 5, 0, 1}));
  EXPECT_THROW(OneOp()
                   .In(f32, {3, 2})
                   .Const(i32, {2}, std::vector<int32_t>{2, 0})
                   .Make("GATHER", {{f32, {2, 2}}}, {{"axis", int32_t{0}}}),
               ov::frontend::GeneralFailure);
  // EMBEDDING_LOOKUP takes the ids first and the table second.
  auto lookup = OneOp()
                    .Const(i32, {2}, std::vector<int32_t>{1, 1})
                    .In(f32, {3, 2})
                    .Make("EMBEDDING_LOOKUP", {{f32, {2, 2}}});
  EXPECT_EQ(values<float>(Eval(lookup, {tensor(f32, {3, 2}, Iota(6))})[0]),
            (std::vector<float>{2, 3, 2, 3}));
  auto gather_nd = OneOp()
                       .In(f32, {2, 2})
                       .Const(i32, {2, 2}, std::vector<int32_t>{1, 0, 0, 1})
                       .Make("GATHER_ND", {{f32, {2}}});
  EXPECT_EQ(values<float>(Eval(gather_nd, {tensor(f32, {2, 2}, Iota(4))})[0]),
            (std::vector<float>{2, 1}));
}

TEST(FrontEndShape, TileExpandDimsBroadcast) {
  auto tile =
      OneOp().In(f32, {2}).Const(i32, {1}, std::vector<int32_t>{2}).Make("TILE", {{f32, {4}}});
  EXPECT_EQ(values<float>(Eval(tile, {tensor<float>(f32, {2}, {1, 2})})[0]),
            (std::vector<float>{1, 2, 1, 2}));
  auto expand = OneOp()
                    .In(f32, {2})
                    .Const(i32, {}, std::vector<int32_t>{0})
                    .Make("EXPAND_DIMS", {{f32, {1, 2}}});
  EXPECT_EQ(Producer(expand)->get_output_partial_shape(0), (ov::PartialShape{1, 2}));
  auto broadcast = OneOp()
                       .In(f32, {2})
                       .Const(i32, {2}, std::vector<int32_t>{2, 2})
                       .Make("BROADCAST_TO", {{f32, {2, 2}}});
  EXPECT_EQ(values<float>(Eval(broadcast, {tensor<float>(f32, {2}, {1, 2})})[0]),
            (std::vector<float>{1, 2, 1, 2}));
}

TEST(FrontEndShape, PaddingModes) {
  const auto paddings = std::vector<int32_t>{0, 0, 1, 2};  // [[0, 0], [1, 2]]
  auto pad = OneOp().In(f32, {1, 3}).Const(i32, {2, 2}, paddings).Make("PAD", {{f32, {1, 6}}});
  EXPECT_EQ(values<float>(Eval(pad, {tensor<float>(f32, {1, 3}, {1, 2, 3})})[0]),
            (std::vector<float>{0, 1, 2, 3, 0, 0}));
  auto pad_v2 = OneOp()
                    .In(f32, {1, 3})
                    .Const(i32, {2, 2}, paddings)
                    .Const(f32, {}, std::vector<float>{9})
                    .Make("PADV2", {{f32, {1, 6}}});
  EXPECT_EQ(values<float>(Eval(pad_v2, {tensor<float>(f32, {1, 3}, {1, 2, 3})})[0]),
            (std::vector<float>{9, 1, 2, 3, 9, 9}));
  auto reflect = OneOp()
                     .In(f32, {1, 3})
                     .Const(i32, {2, 2}, paddings)
                     .Make("MIRROR_PAD", {{f32, {1, 6}}}, {{"mode", std::string("REFLECT")}});
  EXPECT_EQ(values<float>(Eval(reflect, {tensor<float>(f32, {1, 3}, {1, 2, 3})})[0]),
            (std::vector<float>{2, 1, 2, 3, 2, 1}));
  auto symmetric = OneOp()
                       .In(f32, {1, 3})
                       .Const(i32, {2, 2}, paddings)
                       .Make("MIRROR_PAD", {{f32, {1, 6}}}, {{"mode", std::string("SYMMETRIC")}});
  EXPECT_EQ(values<float>(Eval(symmetric, {tensor<float>(f32, {1, 3}, {1, 2, 3})})[0]),
            (std::vector<float>{1, 1, 2, 3, 3, 2}));
  EXPECT_THROW(OneOp()
                   .In(f32, {1, 3})
                   .Const(i32, {2, 2}, paddings)
                   .Make("MIRROR_PAD", {{f32, {1, 6}}}, {{"mode", std::string("EDGE")}}),
               ov::frontend::OpValidationFailure);
}

TEST(FrontEndShape, ReverseV2OnEachAxis) {
  const auto x = Iota(6);  // [2, 3]
  const std::vector<std::pair<int32_t, std::vector<float>>> cases{
      {0, {3, 4, 5, 0, 1, 2}}, {1, {2, 1, 0, 5, 4, 3}}, {-1, {2, 1, 0, 5, 4, 3}}};
  for (const auto& [axis, expected] : cases) {
    SCOPED_TRACE(axis);
    auto model = OneOp()
                     .In(f32, {2, 3})
                     .Const(i32, {1}, std::vector<int32_t>{axis})
                     .Make("REVERSE_V2", {{f32, {2, 3}}});
    EXPECT_EQ(values<float>(Eval(model, {tensor(f32, {2, 3}, x)})[0]), expected);
  }
  EXPECT_THROW(OneOp()
                   .In(f32, {2, 3})
                   .Const(i32, {2}, std::vector<int32_t>{0, 1})
                   .Make("REVERSE_V2", {{f32, {2, 3}}}),
               ov::frontend::OpValidationFailure);
}

}  // namespace
