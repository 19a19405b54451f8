# cmake -DSOURCE=<res> -DTARGET=<bundle>/Contents/res -P copy_res.cmake
# Copies what the program reads at run time; the picture generator's sources stay behind.
file(MAKE_DIRECTORY ${TARGET})
file(COPY ${SOURCE}/ DESTINATION ${TARGET}
  PATTERN "generator" EXCLUDE
  PATTERN "CMakeLists.txt" EXCLUDE
  PATTERN "README.md" EXCLUDE)
