// The command bytes of DVI files, shared by virtual-font packets (which use the same
// commands) and the VF preamble and postamble.
#pragma once

namespace quirn::dvi_opcode {

inline constexpr int kSet1 = 128;  // set1..set4: 128..131
inline constexpr int kSetRule = 132;
inline constexpr int kPut1 = 133;  // put1..put4: 133..136
inline constexpr int kPutRule = 137;
inline constexpr int kNop = 138;
inline constexpr int kBop = 139;
inline constexpr int kEop = 140;
inline constexpr int kPush = 141;
inline constexpr int kPop = 142;
inline constexpr int kRight1 = 143;   // right1..right4
inline constexpr int kW0 = 147;       // w0, w1..w4
inline constexpr int kX0 = 152;       // x0, x1..x4
inline constexpr int kDown1 = 157;    // down1..down4
inline constexpr int kY0 = 161;       // y0, y1..y4
inline constexpr int kZ0 = 166;       // z0, z1..z4
inline constexpr int kFntNum0 = 171;  // fnt_num_0..fnt_num_63
inline constexpr int kFnt1 = 235;     // fnt1..fnt4
inline constexpr int kXxx1 = 239;     // xxx1..xxx4
inline constexpr int kFntDef1 = 243;  // fnt_def1..fnt_def4
inline constexpr int kFntDef4 = 246;
inline constexpr int kPre = 247;
inline constexpr int kPost = 248;
inline constexpr int kPostPost = 249;
// Files with these identification bytes in the preamble.
inline constexpr int kDviId = 2;
inline constexpr int kVfId = 202;
// A VF character packet with a four-byte length.
inline constexpr int kLongChar = 242;

}  // namespace quirn::dvi_opcode
