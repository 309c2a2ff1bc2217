#pragma once
// Small Theora videos and ".zalpha" files made at test time: the makers the
// benchmarks use too.

#include "bench/fixtures/theora_files.h"
