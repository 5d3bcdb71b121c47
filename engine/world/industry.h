// Industry records (TIndustry, declared with the other world records in records.h): goods-way
// removal, the removal of the industry and its weight in its town (industry.cpp).
//
// The six factors by which an industry's size weighs on the six counts of its town: six f32 that
// end the industry-type record (offset 112 of TIndustryType).
#pragma once

#include <cstdint>

#include "engine/base/worldstate.h"

constexpr size_t kIndustryTypeCityFactorsOffset = 112;

float IndustryTypeCityFactor(const TIndustryType& t, int k);  // k = 0 to 5
void SetIndustryTypeCityFactor(TIndustryType& t, int k, float factor);
