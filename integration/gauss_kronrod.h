// The 21-point Gauss-Kronrod rule on [-1, 1]: the 10-point Gauss-Legendre
// rule and its Kronrod extension, non-negative half.
//
//   kXgk[0], kXgk[2], ..., kXgk[8]   Kronrod nodes added to the Gauss nodes
//   kXgk[1], kXgk[3], ..., kXgk[9]   the five positive Gauss nodes
//   kXgk[10] = 0                     the centre
//   kWgk[k]                          Kronrod weight of kXgk[k]
//   kWg[j]                           Gauss weight of kXgk[2j + 1]
//
// Each constant is the single nearest the exact value of the rule; the
// decimal expansions below carry 30 digits, far more than a single needs,
// so the compiler's correctly rounded conversion picks that single. Kronrod
// integrates polynomials up to degree 31 exactly, Gauss up to degree 19.
#pragma once

#include <array>

namespace zel::integration {

inline constexpr std::array<float, 11> kXgk = {
    0.995657163025808080735527280689f,  // 0x3F7EE363
    0.973906528517171720077964012084f,  // 0x3F7951F0
    0.930157491355708226001207180060f,  // 0x3F6E1ECD
    0.865063366688984510732096688423f,  // 0x3F5D74CB
    0.780817726586416897063717578345f,  // 0x3F47E3AC
    0.679409568299024406234327365115f,  // 0x3F2DEDC9
    0.562757134668604683339000099273f,  // 0x3F1010DA
    0.433395394129247190799265943166f,  // 0x3EDDE600
    0.294392862701460198131126603104f,  // 0x3E96BAA9
    0.148874338981631210884826001130f,  // 0x3E187284
    0.0f,
};

inline constexpr std::array<float, 11> kWgk = {
    0.0116946388673718742780643960622f,  // 0x3C3F9ADF
    0.0325581623079647274788189724594f,  // 0x3D055BB5
    0.0547558965743519960313813002446f,  // 0x3D6047B8
    0.0750396748109199527670431409162f,  // 0x3D99AE67
    0.0931254545836976055350654650834f,  // 0x3DBEB88F
    0.109387158802297641899210590326f,   // 0x3DE00660
    0.123491976262065851077958109831f,   // 0x3DFCE95C
    0.134709217311473325928054001772f,   // 0x3E09F137
    0.142775938577060080797094273139f,   // 0x3E1233DB
    0.147739104901338491374841515972f,   // 0x3E1748EB
    0.149445554002916905664936468390f,   // 0x3E190841
};

inline constexpr std::array<float, 5> kWg = {
    0.0666713443086881375935688098933f,  // 0x3D888AFC
    0.149451349150580593145776339658f,   // 0x3E1909C6
    0.219086362515982043995534934228f,   // 0x3E60582D
    0.269266719309996355091226921569f,   // 0x3E89DD54
    0.295524224714752870173892994651f,   // 0x3E974EF4
};

}  // namespace zel::integration
