# GUI benchmarks
