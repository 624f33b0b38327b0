# A short fuzz run that gives the same result every time: a fixed seed, a fixed number of
# inputs, and a fresh folder for what the run adds, so that it starts from the seed corpus
# alone and leaves the corpus in the tree as it is.
#   cmake -DPROGRAM=<target> -DCORPUS=<seed folder> [-DGENERATED=<seed folder made by the build>]
#         -DWORK=<scratch folder> -DRUNS=<n> -P run_short.cmake
set(seeds ${CORPUS})
if(GENERATED AND IS_DIRECTORY ${GENERATED})
    list(APPEND seeds ${GENERATED})
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/added)
execute_process(
    COMMAND ${PROGRAM} -runs=${RUNS} -seed=1 -timeout=10 -print_final_stats=1
        -artifact_prefix=${WORK}/ ${WORK}/added ${seeds}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} failed (${result}); the input that broke it is in ${WORK}")
endif()
