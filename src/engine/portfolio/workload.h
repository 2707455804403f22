#pragma once

// Private to portfolio/: the rest of the program includes portfolio/portfolio.h.
//
// How heavy each client is: the data it holds, the memory its child is given, and how clients
// are shared out among machines.

#include <cstdint>
#include <string>
#include <vector>

namespace tallyscan::portfolio {

// A child's memory: kReservationPerDataByte of the data file's size plus a fixed part for the
// program itself (measured on generated sets: README, "batch").
inline constexpr double kReservationPerDataByte = 0.35;
inline constexpr std::int64_t kReservationBase = std::int64_t{32} << 20;

// The bytes of the folder's BKMVDATA.TXT, or those its BKMVDATA.ZIP declares; 0 with none.
std::int64_t DataBytesOf(const std::string& folder);

std::int64_t ReservationOf(std::int64_t data_bytes);

// Clients of these data sizes dealt to `shards` shards, balanced by size: the largest first,
// each to the shard that holds least so far (the lower number on a tie). Each shard's client
// numbers in increasing order.
std::vector<std::vector<std::size_t>> PlanShards(const std::vector<std::int64_t>& data_bytes,
                                                 int shards);

// "600M", "8G", "512K", "1048576": bytes, or -1 for anything else (0 among them).
std::int64_t ReadByteSize(const std::string& text);

}  // namespace tallyscan::portfolio
