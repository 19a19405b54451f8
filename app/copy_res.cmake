# cmake -DSOURCE=<res> -DTARGET=<bundle>/Contents/res -P copy_res.cmake
file(MAKE_DIRECTORY ${TARGET})
file(COPY ${SOURCE}/ DESTINATION ${TARGET})
