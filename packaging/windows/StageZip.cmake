# Run by the morlenth_zip target: lays the zip's folder out afresh under STAGE
# and packs it into ZIP. What the program reads from its working folder sits
# beside it, as in the Linux archive; the timeline text is an authoring source
# and stays out.
set(dir ${STAGE}/${TOP})
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${dir}/res/audio ${dir}/res/textures ${dir}/res/sync)

file(COPY ${EXE} ${DLLS} DESTINATION ${dir})
file(COPY ${BINARY_DIR}/README.txt ${BINARY_DIR}/LICENSE.txt ${SOURCE_DIR}/Config.txt DESTINATION ${dir})
file(COPY ${SOURCE_DIR}/res/shaders DESTINATION ${dir}/res)
file(COPY ${SOURCE_DIR}/res/textures/smoothNoise.png DESTINATION ${dir}/res/textures)
file(COPY ${SOURCE_DIR}/res/audio/melody.mp3 DESTINATION ${dir}/res/audio)
file(GLOB tracks ${SOURCE_DIR}/res/sync/_*.track)
file(COPY ${tracks} DESTINATION ${dir}/res/sync)

include(${SOURCE_DIR}/packaging/SourceDateEpoch.cmake)
morlenth_source_date_epoch(${SOURCE_DIR})
execute_process(COMMAND python3 ${SOURCE_DIR}/packaging/windows/pack_zip.py --epoch $ENV{SOURCE_DATE_EPOCH}
    ${ZIP} ${STAGE}/${TOP} ${TOP}
  COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Packed ${ZIP}")
