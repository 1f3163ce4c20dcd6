target_sources(ruvela_core PRIVATE
)
