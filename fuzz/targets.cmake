# parch_fuzz(fuzz_<name> fuzz_<name>.cpp DEPENDS <library>) for every fuzz target.
