# End-to-end runs of the real tindral-render (under Wine for the Windows
# builds): exit codes, one-line errors, and files byte for byte.
set(cli_dir ${CMAKE_CURRENT_SOURCE_DIR}/cli)
set(cli_command "$<TARGET_FILE:tindral-render>")
if(CMAKE_CROSSCOMPILING_EMULATOR)
  set(cli_command "${CMAKE_CROSSCOMPILING_EMULATOR}|${cli_command}")
endif()

function(tindral_cli_test name args)
  string(REPLACE ";" "|" args "${args}")
  set(work ${CMAKE_CURRENT_BINARY_DIR}/cli-work/${name})
  add_test(NAME ${TINDRAL_TEST_CONFIG}.cli.${name}
    COMMAND ${CMAKE_COMMAND} "-DCOMMAND=${cli_command}|${args}" -DWORKDIR=${work} ${ARGN}
            -P ${cli_dir}/run_cli.cmake)
endfunction()

# The default picture, byte for byte the same on every build.
tindral_cli_test(DefaultPicture "out.bmp" -DEXPECT_EXIT=0 -DOUTPUT=out.bmp -DEXPECT_FILE=${cli_dir}/default-fire.bmp)
# The same picture as a PNG, byte for byte the same on every build; rendered
# again from its record, the same bitmap as above.
tindral_cli_test(DefaultPicturePng "out.png" -DEXPECT_EXIT=0 -DOUTPUT=out.png -DEXPECT_FILE=${cli_dir}/default-fire.png)
tindral_cli_test(FromPngPicture "--from;${cli_dir}/default-fire.png;out.bmp" -DEXPECT_EXIT=0 -DOUTPUT=out.bmp
                 -DEXPECT_FILE=${cli_dir}/default-fire.bmp)
tindral_cli_test(PaletteFromPng "--palette;${CMAKE_CURRENT_SOURCE_DIR}/data/index2.png;out.png" -DEXPECT_EXIT=0)
# A saved picture (with noise, from an earlier build) rendered again from its
# record: the same file, record included, on every build.
tindral_cli_test(FromSavedPicture "--from;${CMAKE_CURRENT_SOURCE_DIR}/data/tindral-7x5-noise.bmp;out.bmp" -DEXPECT_EXIT=0
                 -DOUTPUT=out.bmp -DEXPECT_FILE=${CMAKE_CURRENT_SOURCE_DIR}/data/tindral-7x5-noise.bmp)
tindral_cli_test(NegativeCorners "--rect;-2,1.5,1,-1.5;--palette;gray;out.bmp" -DEXPECT_EXIT=0)
tindral_cli_test(UnknownOption "--colour;red;out.bmp" -DEXPECT_EXIT=2 -DOUTPUT=out.bmp -DEXPECT_NO_OUTPUT=ON
                 "-DEXPECT_STDERR=^tindral-render: unknown option --colour")
tindral_cli_test(TooLarge "--size;1000000x1000000;out.bmp" -DEXPECT_EXIT=1 -DOUTPUT=out.bmp -DEXPECT_NO_OUTPUT=ON
                 "-DEXPECT_STDERR=too large for a bitmap file")
tindral_cli_test(MissingPaletteKeepsOutput "--palette;missing.bmp;out.bmp" -DEXPECT_EXIT=1 -DOUTPUT=out.bmp -DKEEP=ON
                 "-DEXPECT_STDERR=cannot open palette file missing.bmp")
# The output is checked before a long computation starts.
tindral_cli_test(MissingFolder "--size;4000x3000;--iterations;100000;nodir/out.bmp" -DEXPECT_EXIT=1 -DOUTPUT=out.bmp
                 -DEXPECT_NO_OUTPUT=ON "-DEXPECT_STDERR=cannot create nodir/out.bmp: its folder does not exist")
tindral_cli_test(OutputIsAFolder "." -DEXPECT_EXIT=1 "-DEXPECT_STDERR=cannot write [.]: it is a folder")
tindral_cli_test(Help "--help" -DEXPECT_EXIT=0)
# A picture 1e-300 wide, the same bytes on every build, its exact region in
# its record (version 2); rendered again from it, the same file.
string(REPEAT 0 300 zeros)
tindral_cli_test(DeepPicture "--size;32x24;--iterations;2000;--palette;edge;--center;-2.3e-302,1.${zeros}41;--width;1e-300;out.bmp"
                 -DEXPECT_EXIT=0 -DOUTPUT=out.bmp -DEXPECT_FILE=${cli_dir}/deep-1e-300.bmp)
tindral_cli_test(FromDeepPicture "--from;${cli_dir}/deep-1e-300.bmp;out.bmp" -DEXPECT_EXIT=0 -DOUTPUT=out.bmp
                 -DEXPECT_FILE=${cli_dir}/deep-1e-300.bmp)
# Past the double limit only the exponent 2 is computed; nothing is written.
tindral_cli_test(DeepCubic "--center;-0.75,0.1;--width;1e-20;--exponent;3;out.bmp" -DEXPECT_EXIT=1 -DOUTPUT=out.bmp
                 -DEXPECT_NO_OUTPUT=ON "-DEXPECT_STDERR=past the limit of the program's precision: past the precision of doubles")

# Signals, terminals and killed writers: POSIX only.
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME ${TINDRAL_TEST_CONFIG}.cli.Interrupts
    COMMAND bash ${cli_dir}/interrupts.sh $<TARGET_FILE:tindral-render> ${CMAKE_CURRENT_BINARY_DIR}/cli-work/Interrupts)
endif()
